#pragma once

#include <memory>
#include <span>

#include <QString>
#include <QWidget>

#include "app/NavigationRules.h"

class QWebEngineView;

// The owner of a view: it carries out what the page asks for. Each call arrives after the
// navigation callback has returned, on the window thread.
class IExplorerHost {
public:
    virtual ~IExplorerHost() = default;
    virtual void OnPageAction(const SNavigationRule& rule, const QString& url) = 0;
};

// The calendar page's view: Chromium on the program's profile, with no context menu, no
// border, no menus or tool bars of its own, and script errors never shown. Navigations whose
// URL matches one of the view's rules are cancelled and handed to the host; any other
// navigation of the main frame goes ahead and sets the navigation-pending flag until its load
// ends, however it ends.
class CExplorer : public QWidget {
    Q_OBJECT
public:
    CExplorer(IExplorerHost* host, std::span<const SNavigationRule> rules, QWidget* parent = nullptr);
    ~CExplorer() override;

    // Makes the view and its page now, which starts Chromium when it is the program's first;
    // without this call the first navigation or View() makes them.
    void EnsurePage();
    void Navigate(const QString& url);
    // Runs the text in the page's main world; the result is discarded. Nothing without a page.
    void RunPageScript(const QString& text);

    bool IsNavigationPending() const;
    // The owner gives up waiting for the load in course (the refresh button).
    void ClearNavigationPending();
    bool HasDocument() const;
    QString LocationURL() const;
    QWebEngineView* View() const;

signals:
    // A load of the main frame ended; ok false when it failed or was stopped.
    void DocumentComplete(const QString& url, bool ok);

private:
    struct Impl;
    std::unique_ptr<Impl> m;
};
