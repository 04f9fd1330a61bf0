#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "app/Explorer.h"

// The command the detail pop-up posts to its owner (as WM_COMMAND) for an "add event" link.
constexpr unsigned ID_ADD_EVENT = 32786;
constexpr unsigned WM_COMMAND = 0x0111;

// The shaped pop-up that shows an item's detail page at the mouse. Bitmap 160 gives its size
// and shape (magenta is transparent); the view "CalToolTipWeb" sits inside it, 10 pixels in from
// the left and 6 from the other edges. It closes as soon as it is no longer the active window,
// so a click anywhere else closes it, and only one is open at a time.
class CCalToolTip : public QWidget, private IExplorerHost {
    Q_OBJECT
public:
    // Opens the pop-up for the URL, its top-left corner at the cursor's x and 30 pixels above
    // the cursor's y, owned by the owner's window. Closes the one open before.
    static CCalToolTip* Show(QWidget* owner, const QString& url, const QPoint& cursor);
    // The pop-up that is open, or null.
    static CCalToolTip* Current();

    // Bitmap 160.
    static QImage Bitmap();

    CExplorer* Explorer() const { return m_explorer; }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CCalToolTip(QWidget* owner, const QString& url);
    void OnPageAction(const SNavigationRule& rule, const QString& url) override;

    QPointer<QWidget> m_owner;
    CExplorer* m_explorer;
    QImage m_bitmap;
    bool m_wasActive = false;
};
