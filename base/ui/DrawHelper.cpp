#include "base/ui/DrawHelper.h"

#include <QPainter>

#include "base/ui/GdiConvert.h"
#include "base/ui/GraphicsExt.h"

CDrawHelper::CDrawHelper() = default;
CDrawHelper::~CDrawHelper() = default;

bool CDrawHelper::LoadBitmapW(int nResource, int nStates, COLORREF crTransparent, bool bSideBySide)
{
    return SetBitmap(CImageExt::LoadResource(nResource), nStates, crTransparent, bSideBySide);
}

bool CDrawHelper::SetBitmap(const QImage& bitmap, int nStates, COLORREF crTransparent, bool bSideBySide)
{
    return SetImage(bitmap, nStates, crTransparent, bSideBySide);
}

bool CDrawHelper::SetImage(const QImage& image, int nStates, COLORREF crTransparent, bool bSideBySide)
{
    if (image.isNull() || nStates <= 0)
        return false;
    m_image.Attach(image);
    m_bTransparent = crTransparent != kNoTransparency;
    if (m_bTransparent)
        m_mask.Attach(CGraphicsExt::CreateMask(image, image.rect(), crTransparent));
    else
        m_mask.Detach();
    m_nStates = nStates;
    m_bSideBySide = bSideBySide;
    m_sizeState = bSideBySide ? QSize(image.width() / nStates, image.height())
                              : QSize(image.width(), image.height() / nStates);
    m_nBackgroundType = BackgroundImage;
    SetMaxState(nStates + 1);
    return true;
}

void CDrawHelper::SetMaxState(int n)
{
    m_states.clear();
    for (int i = 0; i < std::max(1, n); ++i)
        m_states.push_back(std::make_unique<CDefProperties>(i == 0 ? nullptr : m_states.front().get()));
}

CDefProperties* CDrawHelper::GetProperties(int nState)
{
    return nState >= 0 && nState < GetMaxState() ? m_states[nState].get() : nullptr;
}

const CDefProperties* CDrawHelper::GetProperties(int nState) const
{
    return nState >= 0 && nState < GetMaxState() ? m_states[nState].get() : nullptr;
}

CDefProperties& CDrawHelper::Bag(int nState)
{
    if (m_states.empty())
        SetMaxState(1);
    if (nState >= GetMaxState()) {
        // Grow rather than drop the setting: new bags fall back to bag 0 like the others.
        while (GetMaxState() <= nState)
            m_states.push_back(std::make_unique<CDefProperties>(m_states.front().get()));
    }
    return *m_states[std::max(0, nState)];
}

void CDrawHelper::SetContentMargins(int nState, int l, int t, int r, int b)
{
    Bag(nState).SetRect(PropContentMargins, l, t, r, b);
}

void CDrawHelper::SetResizingMargins(int nState, int l, int t, int r, int b)
{
    Bag(nState).SetRect(PropResizingMargins, l, t, r, b);
}

QMargins CDrawHelper::MarginsOf(int nState, int nProp) const
{
    const CDefProperties* bag = GetProperties(nState);
    if (!bag)
        bag = GetProperties(0);
    RECT rc;
    if (!bag || !bag->GetRect(nProp, rc))
        return {};
    return QMargins(rc.left, rc.top, rc.right, rc.bottom);
}

QMargins CDrawHelper::GetContentMargins(int nState) const { return MarginsOf(nState, PropContentMargins); }
QMargins CDrawHelper::GetResizingMargins(int nState) const { return MarginsOf(nState, PropResizingMargins); }

void CDrawHelper::SetFont(int nState, const QFont& font) { Bag(nState).SetFont(PropFont, tamo::LOGFONTFromFont(font)); }

void CDrawHelper::SetTextShadow(int nState, COLORREF crShadow)
{
    Bag(nState).SetColor(PropShadowColor, crShadow);
    Bag(nState).SetEnumValue(PropTextEffect, 1);
}

void CDrawHelper::SetIconEffect(int nState, int nEffect, COLORREF crBlend)
{
    Bag(nState).SetEnumValue(PropIconEffect, nEffect);
    Bag(nState).SetColor(PropIconBlendColor, crBlend);
}

void CDrawHelper::SetBorder(int nState, COLORREF crBorder, COLORREF crFill, int nWidth, bool bHollow)
{
    CDefProperties& bag = Bag(nState);
    bag.SetColor(PropBorderColor, crBorder);
    bag.SetColor(PropFillColor, crFill);
    bag.SetInt(PropBorderWidth, nWidth);
    bag.SetBool(PropHollow, bHollow);
}

COLORREF CDrawHelper::GetTextColor(int nState) const
{
    COLORREF cr = tamo::COLOR_BTNTEXT_VALUE;
    const CDefProperties* bag = GetProperties(nState);
    if (!bag)
        bag = GetProperties(0);
    if (bag)
        (void)bag->GetColor(PropTextColor, cr);
    return cr;
}

bool CDrawHelper::GetFont(int nState, QFont& font) const
{
    const CDefProperties* bag = GetProperties(nState) ? GetProperties(nState) : GetProperties(0);
    LOGFONTW lf;
    if (!bag || !bag->GetFont(PropFont, lf))
        return false;
    font = tamo::FontFromLOGFONT(lf);
    return true;
}

QRect CDrawHelper::GetStateCell(int nState) const
{
    if (m_nStates <= 0)
        return {};
    const int cell = std::clamp(nState - 1, 0, m_nStates - 1);
    return m_bSideBySide ? QRect(cell * m_sizeState.width(), 0, m_sizeState.width(), m_sizeState.height())
                         : QRect(0, cell * m_sizeState.height(), m_sizeState.width(), m_sizeState.height());
}

int CDrawHelper::DrawBackground(QPainter* pDC, int nState, const QRect& rc)
{
    const CDefProperties* bag = GetProperties(nState) ? GetProperties(nState) : GetProperties(0);
    bool hollow = false;
    if (bag)
        (void)bag->GetBool(PropHollow, hollow);
    CGraphicsExt g(pDC);
    if (m_nBackgroundType == BackgroundImage) {
        if (m_image.IsNull())
            return 0;
        const QMargins margins = GetResizingMargins(nState);
        if (m_bTransparent)
            g.DrawBackgroundTransparentImage(rc, m_image.GetImage(), m_mask.GetImage(), GetStateCell(nState), margins,
                                             hollow);
        else
            g.DrawBackgroundImage(rc, m_image.GetImage(), GetStateCell(nState), margins, hollow);
        return 1;
    }
    if (m_nBackgroundType == BackgroundBorder) {
        COLORREF border = 0, fill = 0xFFFFFF;
        int width = 1;
        if (bag) {
            (void)bag->GetColor(PropBorderColor, border);
            (void)bag->GetColor(PropFillColor, fill);
            (void)bag->GetInt(PropBorderWidth, width);
        }
        g.DrawBackgroundBorder(rc, border, width, hollow, fill);
        return 1;
    }
    return 0;
}

void CDrawHelper::GetContentRect(int nState, const QRect& rc, QRect& rcOut) const
{
    rcOut = rc.marginsRemoved(GetContentMargins(nState));
}

void CDrawHelper::GetExtentRect(int nState, const QRect& rc, QRect& rcOut) const
{
    rcOut = rc.marginsAdded(GetContentMargins(nState));
}

void CDrawHelper::DrawTextW(QPainter* pDC, int nState, const QString& text, int nLength, unsigned nFormat,
                            const QRect& rc)
{
    const CDefProperties* bag = GetProperties(nState) ? GetProperties(nState) : GetProperties(0);
    QFont font;
    const bool hasFont = GetFont(nState, font);
    int effect = 0;
    COLORREF shadow = 0;
    if (bag) {
        (void)bag->GetEnumValue(PropTextEffect, effect);
        (void)bag->GetColor(PropShadowColor, shadow);
    }
    CGraphicsExt(pDC).DrawTextW(text, nLength, nFormat, rc, GetTextColor(nState), hasFont ? &font : nullptr, effect,
                                shadow);
}

void CDrawHelper::DrawIcon(QPainter* pDC, int nState, const CImageList* pImages, int nIndex, const QRect& rc)
{
    const CDefProperties* bag = GetProperties(nState) ? GetProperties(nState) : GetProperties(0);
    int effect = 0;
    COLORREF blend = 0;
    if (bag) {
        (void)bag->GetEnumValue(PropIconEffect, effect);
        (void)bag->GetColor(PropIconBlendColor, blend);
    }
    CGraphicsExt(pDC).DrawIcon(pImages, nIndex, rc, effect, blend);
}
