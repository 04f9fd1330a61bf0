#pragma once

#include <QAbstractButton>
#include <QFont>
#include <QPixmap>
#include <QVector>

#include <cstdint>
#include <optional>

#include "tamoui/TamoExport.h"
#include "tamoui/TamoPicture.h"

// A drawn push or link button. Without a draw call it is a standard skinned push button.
// Its image-list and sizing calls match the extended button of the base library.
class TAMOUI_EXPORT CTamoButton : public QAbstractButton {
    Q_OBJECT
public:
    // Button style bits (the same as the extended button's).
    enum : unsigned { BS_KIND_MASK = 0x0F, BS_TEXT = 0x10, BS_ICON = 0x20 };
    // Visual states, counting from 1.
    enum State { StateNormal = 1, StateHot = 2, StatePressed = 3, StateDisabled = 4, StateDefault = 5 };

    explicit CTamoButton(QWidget* parent = nullptr);
    explicit CTamoButton(const QString& text, QWidget* parent = nullptr);
    CTamoButton(const QString& text, int nID, const QRect& rc, QWidget* parent);
    ~CTamoButton() override;

    // The standard skinned push button.
    void SetDrawNormal();
    // Text drawn as a link in the font (the dialog's when null) and colour; the hot colour is
    // the accent unless given (0xFFFFFFFF = default).
    void SetDrawLink(const QFont* pFont, std::uint32_t crText, std::uint32_t crHot = 0xFFFFFFFF);
    // A strip of count pictures side by side (normal, hot, pressed, disabled) from the
    // library's artwork; used by the title strip.
    void SetDrawStrip(const QString& strImage, int nCount);

    void SetImageList(const QVector<QPixmap>& images);
    void SetIcons(int nNormal, int nPressed = -1, int nDisabled = -1, int nHot = -1, int nDefault = -1);
    void SetButtonStyle(unsigned nStyle) { m_nStyle = nStyle; update(); }
    unsigned GetButtonStyle() const { return m_nStyle; }
    void SetCheck(int nCheck);
    int GetCheck() const { return isChecked() ? 1 : 0; }
    void SetDefaulted(bool b) { m_bDefault = b; update(); }
    bool IsDefaulted() const { return m_bDefault; }

    // The size the content needs; SizeToContent resizes the button to it, keeping its place.
    QSize GetContentSize() const;
    void SizeToContent();

    int GetState() const;

    // A picture drawn in place of the skin while the pointer is set and the flag is clear.
    CTamoPicturePtr m_pPicture;
    std::uint8_t m_bPicture = 0;

    QSize sizeHint() const override { return GetContentSize(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    enum class Draw { Normal, Link, Strip };
    void DrawIconAndText(QPainter& p, QRect rc, const QColor& color, const QFont& font);

    Draw m_draw = Draw::Normal;
    std::optional<QFont> m_linkFont;
    std::uint32_t m_crText = 0x555555;
    std::uint32_t m_crHot = 0x0281FB;
    QString m_strStrip;
    int m_nStripCount = 4;
    QVector<QPixmap> m_images;
    int m_nIcons[5] = {-1, -1, -1, -1, -1};
    unsigned m_nStyle = BS_TEXT;
    bool m_bHover = false;
    bool m_bDefault = false;
};
