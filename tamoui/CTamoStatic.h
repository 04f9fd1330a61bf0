#pragma once

#include <QFont>
#include <QWidget>

#include <cstdint>

#include "tamoui/TamoExport.h"
#include "tamoui/TamoPicture.h"

// A drawn static: text, the pop-up background frame, or a borrowed picture. Clicks pass
// through to what lies below, so a background static never stops the dialog from dragging.
class TAMOUI_EXPORT CTamoStatic : public QWidget {
    Q_OBJECT
public:
    explicit CTamoStatic(QWidget* parent = nullptr);
    CTamoStatic(const QString& text, int nID, const QRect& rc, QWidget* parent);
    ~CTamoStatic() override;

    // 0: the white pop-up background with its frame; 1: the same without the frame, for pages
    // that sit inside a framed window.
    void SetDrawPopupBkgnd(int nKind);
    // Face, size in pixels, colour (0x00BBGGRR) and weight of the text.
    void SetFont(const QString& strFace, int nSize, std::uint32_t crText, int bBold);
    void SetTextColor(std::uint32_t crText);
    // A solid background behind the text (0xFFFFFFFF = none).
    void SetBkColor(std::uint32_t crBack);
    void SetTextAlign(Qt::Alignment align);
    void SetWordWrap(bool b);

    Q_INVOKABLE void SetWindowText(const QString& text);
    Q_INVOKABLE QString GetWindowText() const { return m_strText; }

    // A picture drawn in place of the skin while the pointer is set and the flag is clear.
    CTamoPicturePtr m_pPicture;
    std::uint8_t m_bPicture = 0;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QString m_strText;
    int m_nPopup = -1;
    std::uint32_t m_crText = 0x555555;
    std::uint32_t m_crBack = 0xFFFFFFFF;
    Qt::Alignment m_align = Qt::AlignLeft | Qt::AlignTop;
    bool m_bWrap = true;
};
