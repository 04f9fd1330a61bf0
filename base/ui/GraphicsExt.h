#pragma once

#include <QFont>
#include <QImage>
#include <QMargins>
#include <QRect>
#include <QRegion>

#include "base/GdiTypes.h"

class CImageList;
class QPainter;

// Drawing operations on one painter: colour-key masks and copies, the nine-part background,
// bordered rectangles, icons with blend effects, text with a shadow, and the region of a
// picture without its key colour.
class CGraphicsExt {
public:
    explicit CGraphicsExt(QPainter* pDC) : m_pDC(pDC) {}

    // A one-bit mask of the source rectangle: 1 (colour 1) where the source has the key colour.
    static QImage CreateMask(const QImage& src, const QRect& rcSrc, COLORREF crKey);
    // The source with every key-coloured pixel made transparent.
    static QImage KeyOut(const QImage& src, COLORREF crKey);
    // The rectangle less every pixel of the key colour in the picture.
    static QRegion CreateTransRgn(const QImage& picture, const QRect& rc, COLORREF crKey);

    // Writes the mask of the source rectangle at (x, y): white where the key colour is.
    int DrawMask(int x, int y, const QImage& src, int xSrc, int ySrc, int cx, int cy, COLORREF crKey);
    // Copy a source through a mask (mask 1 = leave the destination alone).
    int MaskBlt(int x, int y, int cx, int cy, const QImage& src, int xSrc, int ySrc, const QImage& mask);
    int StretchMaskBlt(const QRect& rcDst, const QImage& src, const QRect& rcSrc, const QImage& mask);
    // Stretched copy leaving out pixels of the key colour.
    int TransparentBlt(int x, int y, int cx, int cy, const QImage& src, int xSrc, int ySrc, int cxSrc, int cySrc,
                       COLORREF crKey);
    // The region of rc less the key colour, read from the painter's own picture.
    QRegion CreateTransRgn(const QRect& rc, COLORREF crKey) const;

    // Nine-part drawing: corners unscaled, edges stretched along, centre both ways unless hollow.
    void DrawBackgroundImage(const QRect& rcDst, const QImage& src, const QRect& rcSrc, const QMargins& margins,
                             bool bHollow);
    // The same through a mask (1 = transparent).
    void DrawBackgroundTransparentImage(const QRect& rcDst, const QImage& src, const QImage& mask,
                                        const QRect& rcSrc, const QMargins& margins, bool bHollow);
    // A solid border of the given width inside rc, filled unless hollow.
    void DrawBackgroundBorder(const QRect& rc, COLORREF crBorder, int nWidth, bool bHollow, COLORREF crFill);
    // Effect 0: the icon as it is at rc's top-left; 1 and 2: blended 25 % or 50 % with the colour,
    // limited to rc.
    void DrawIcon(const CImageList* pImages, int nIndex, const QRect& rc, int nEffect, COLORREF crBlend);
    // Transparent text; effect 1 draws it first in the shadow colour one pixel right and down.
    void DrawTextW(const QString& text, int nLength, unsigned nFormat, const QRect& rc, COLORREF crText,
                   const QFont* pFont, int nEffect, COLORREF crShadow);

private:
    QPainter* m_pDC;
};
