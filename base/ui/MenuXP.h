#pragma once

#include <QHash>
#include <QPointer>
#include <QProxyStyle>
#include <QString>

#include "base/GdiTypes.h"

class CImageList;
class QMenu;
class QMenuBar;
class QWidget;

// The flat menu look: icon column, pale text area, framed selection, thin separators, checked
// boxes, a shortcut column and a 4-pixel shadow, as a style on the menus that use it.
class CMenuXPStyle : public QProxyStyle {
    Q_OBJECT
public:
    static constexpr int kIconColumn = 22;
    static constexpr int kTextLeft = 30;
    static constexpr int kShortcutRight = 12;
    static constexpr int kShadow = 4;

    CMenuXPStyle();

    void drawControl(ControlElement element, const QStyleOption* opt, QPainter* p, const QWidget* w) const override;
    void drawPrimitive(PrimitiveElement pe, const QStyleOption* opt, QPainter* p, const QWidget* w) const override;
    QSize sizeFromContents(ContentsType ct, const QStyleOption* opt, const QSize& size, const QWidget* w) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption* opt, const QWidget* w) const override;
    int styleHint(StyleHint hint, const QStyleOption* opt, const QWidget* w, QStyleHintReturn* ret) const override;

    // Item and separator heights for a menu font.
    static int ItemHeight(const QFontMetrics& fm);
    static int SeparatorHeight(const QFontMetrics& fm);
};

class CMenuXP {
public:
    // The colours the look starts from (the skin's system colours).
    static constexpr COLORREF kBtnFace = 0xF0F0F0;
    static constexpr COLORREF kHighlight = 0x0281FB;
    static constexpr COLORREF kMenuText = 0x555555;
    static constexpr COLORREF kBtnShadow = 0xA7A7A7;
    static constexpr COLORREF kDarkShadow = 0x888888;

    // Lightness and saturation moved in hue-lightness-saturation space (each 0-255): p > 0
    // moves a component v to v + (255 - v) * p / 100, p < 0 to v * (100 + p) / 100; the
    // result is kept in 8 bits, so a large percentage wraps around.
    static COLORREF HLSTransform(COLORREF cr, int nLightPercent, int nSatPercent = 0);

    // The look's colours.
    static COLORREF IconColumnColor() { return HLSTransform(kBtnFace, 20); }
    static COLORREF TextAreaColor() { return HLSTransform(kBtnFace, 75); }
    static COLORREF SelectedFillColor() { return HLSTransform(kHighlight, 70, 199); }
    static COLORREF SelectedDisabledFillColor() { return HLSTransform(kBtnFace, 73); }
    static COLORREF SeparatorColor() { return HLSTransform(kBtnFace, -18); }
    static COLORREF CheckFillColor(bool bSelected) { return bSelected ? HLSTransform(kHighlight, 70, -57) : HLSTransform(kHighlight, 50, -50); }

    // Marks a window as using the look.
    static void SetXPLookNFeel(QWidget* pWnd, bool bOn = true);
    static bool GetXPLookNFeel(const QWidget* pWnd);
    // Converts every item of the menu and of its sub-menus. With bOn false nothing changes.
    static void SetXPLookNFeel(QWidget* pWnd, QMenu* pMenu, bool bOn = true, bool bMenuBar = false);
    static void SetXPLookNFeel(QWidget* pWnd, QMenuBar* pMenuBar, bool bOn = true);
    static bool IsOwnerDrawn(const QMenu* pMenu);
    // The menu item's identifier is its action's data (an int).
    static void SetMenuItemImage(QMenu* pMenu, int nID, const CImageList* pImages, int nIndex);
    // The code that runs the first item whose caption has "&" + ch ("&&" does not count):
    // 2 in the high word, its position in the low word; 0 when none.
    static long OnMenuChar(const QMenu* pMenu, QChar ch, unsigned nFlags);
    static void UpdateMenuBar(QWidget* pWnd);
    // While installed, pop-up menus shown over a window with the look get it too.
    static void InitializeHook();
    static void UninitializeHook();

    static QString GetCaption(const QMenu* pMenu, int nID);
    static QString GetSubMenuCaption(const QMenu* pSubMenu);
    static int GetCaptionCount();
    static CMenuXPStyle* Style();

    static constexpr unsigned MF_POPUP = 0x10;
    static constexpr const char* kWndProperty = "XPWndProp_MenuXP";
};
