#pragma once

#include <QFont>
#include <QMargins>
#include <QRect>
#include <QSize>

#include <memory>
#include <vector>

#include "base/Properties.h"
#include "base/ui/ImageExt.h"

class CImageList;
class QPainter;

// How a control looks in each visual state: a background cut from a bitmap strip (drawn with
// fixed corners and stretched edges) or a bordered rectangle, plus text colour, font, shadow,
// icon effect and margins, kept per state in property bags. Bag 0 holds the defaults; bag n
// the look of state n, falling back to bag 0.
class CDrawHelper {
public:
    enum BackgroundType { BackgroundNone = 0, BackgroundImage = 1, BackgroundBorder = 2 };
    enum PropertyId {
        PropTextColor = 0,
        PropFont = 1,
        PropShadowColor = 2,
        PropTextEffect = 3,
        PropIconBlendColor = 4,
        PropIconEffect = 5,
        PropBorderColor = 6,
        PropFillColor = 7,
        PropHollow = 8,
        PropBorderWidth = 9,
        PropContentMargins = 10,
        PropResizingMargins = 11,
    };
    static constexpr COLORREF kNoTransparency = 0xFFFFFFFF;

    CDrawHelper();
    virtual ~CDrawHelper();
    CDrawHelper(const CDrawHelper&) = delete;
    CDrawHelper& operator=(const CDrawHelper&) = delete;

    // The bitmap of that resource number, cut into nStates cells side by side or stacked.
    bool LoadBitmapW(int nResource, int nStates, COLORREF crTransparent = kNoTransparency, bool bSideBySide = true);
    bool SetBitmap(const QImage& bitmap, int nStates, COLORREF crTransparent = kNoTransparency, bool bSideBySide = true);
    bool SetImage(const QImage& image, int nStates, COLORREF crTransparent = kNoTransparency, bool bSideBySide = true);

    // Replaces the bags by n new ones, each from the second on falling back to the first.
    void SetMaxState(int n);
    int GetMaxState() const { return int(m_states.size()); }
    void SetBackgroundType(int nType) { m_nBackgroundType = nType; }
    int GetBackgroundType() const { return m_nBackgroundType; }
    bool IsTransparent() const { return m_bTransparent; }
    // One state's cell in the bitmap.
    QSize GetSize() const { return m_sizeState; }
    CDefProperties* GetProperties(int nState);
    const CDefProperties* GetProperties(int nState) const;

    void SetContentMargins(int nState, int l, int t, int r, int b);
    void SetContentMargins(int l, int t, int r, int b) { SetContentMargins(0, l, t, r, b); }
    void SetResizingMargins(int nState, int l, int t, int r, int b);
    void SetResizingMargins(int l, int t, int r, int b) { SetResizingMargins(0, l, t, r, b); }
    QMargins GetContentMargins(int nState = 0) const;
    QMargins GetResizingMargins(int nState = 0) const;

    // Shortcuts for the common properties of a state.
    void SetTextColor(int nState, COLORREF cr) { Bag(nState).SetColor(PropTextColor, cr); }
    void SetFont(int nState, const QFont& font);
    void SetTextShadow(int nState, COLORREF crShadow);
    void SetIconEffect(int nState, int nEffect, COLORREF crBlend);
    void SetBorder(int nState, COLORREF crBorder, COLORREF crFill, int nWidth = 1, bool bHollow = false);

    // The state's text colour: its own, else bag 0's, else the system's button text.
    COLORREF GetTextColor(int nState) const;
    // The state's font, or none (the default GUI font is used then).
    bool GetFont(int nState, QFont& font) const;

    int DrawBackground(QPainter* pDC, int nState, const QRect& rc);
    void GetContentRect(int nState, const QRect& rc, QRect& rcOut) const;
    void GetExtentRect(int nState, const QRect& rc, QRect& rcOut) const;
    void DrawTextW(QPainter* pDC, int nState, const QString& text, int nLength, unsigned nFormat, const QRect& rc);
    void DrawIcon(QPainter* pDC, int nState, const CImageList* pImages, int nIndex, const QRect& rc);

    // The state's cell of the strip (states count from 1; out-of-range states are clamped).
    QRect GetStateCell(int nState) const;
    const CImageExt& GetImage() const { return m_image; }

private:
    CDefProperties& Bag(int nState);
    QMargins MarginsOf(int nState, int nProp) const;

    int m_nBackgroundType = BackgroundNone;
    CImageExt m_image;
    CImageExt m_mask;
    int m_nStates = 0;
    bool m_bSideBySide = true;
    QSize m_sizeState;
    bool m_bTransparent = false;
    std::vector<std::unique_ptr<CDefProperties>> m_states;
};
