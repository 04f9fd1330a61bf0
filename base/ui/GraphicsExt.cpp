#include "base/ui/GraphicsExt.h"

#include <QBitmap>
#include <QFontDatabase>
#include <QPainter>
#include <QPixmap>

#include "base/ui/GdiConvert.h"
#include "base/ui/ImageList.h"

namespace {

QRgb KeyRgb(COLORREF cr) { return qRgb(GetRValue(cr), GetGValue(cr), GetBValue(cr)); }

// Clips a nine-part margin to half of the destination so opposite corners never overlap.
QMargins FitMargins(const QMargins& m, const QRect& dst)
{
    return QMargins(std::min(m.left(), dst.width() / 2), std::min(m.top(), dst.height() / 2),
                    std::min(m.right(), dst.width() / 2), std::min(m.bottom(), dst.height() / 2));
}

}  // namespace

QImage CGraphicsExt::CreateMask(const QImage& src, const QRect& rcSrc, COLORREF crKey)
{
    const QRect r = rcSrc.intersected(src.rect());
    QImage mask(r.size(), QImage::Format_Mono);
    mask.setColor(0, qRgb(0, 0, 0));
    mask.setColor(1, qRgb(255, 255, 255));
    mask.fill(0);
    const QImage rgb = src.convertToFormat(QImage::Format_RGB32);
    const QRgb key = KeyRgb(crKey);
    for (int y = 0; y < r.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(r.top() + y)) + r.left();
        for (int x = 0; x < r.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                mask.setPixel(x, y, 1);
        }
    }
    return mask;
}

QImage CGraphicsExt::KeyOut(const QImage& src, COLORREF crKey)
{
    QImage out = src.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = KeyRgb(crKey) & 0xFFFFFF;
    for (int y = 0; y < out.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0xFFFFFF) == key)
                line[x] = 0;
        }
    }
    return out;
}

QRegion CGraphicsExt::CreateTransRgn(const QImage& picture, const QRect& rc, COLORREF crKey)
{
    const QRect r = rc.intersected(picture.rect());
    if (r.isEmpty())
        return {};
    // One bitmap with the kept pixels set; Qt turns it into a region in one pass.
    QImage keep = CreateMask(picture, r, crKey);
    keep.invertPixels();
    // A bitmap's region holds its colour-1 (black) pixels: the kept ones.
    keep.setColor(0, qRgb(255, 255, 255));
    keep.setColor(1, qRgb(0, 0, 0));
    QRegion region(QBitmap::fromImage(keep));
    region.translate(r.topLeft());
    return region;
}

QRegion CGraphicsExt::CreateTransRgn(const QRect& rc, COLORREF crKey) const
{
    QPaintDevice* dev = m_pDC ? m_pDC->device() : nullptr;
    if (!dev)
        return {};
    if (dev->devType() == QInternal::Image)
        return CreateTransRgn(*static_cast<QImage*>(dev), rc, crKey);
    if (dev->devType() == QInternal::Pixmap)
        return CreateTransRgn(static_cast<QPixmap*>(dev)->toImage(), rc, crKey);
    return QRegion(rc);
}

int CGraphicsExt::DrawMask(int x, int y, const QImage& src, int xSrc, int ySrc, int cx, int cy, COLORREF crKey)
{
    const QImage mask = CreateMask(src, QRect(xSrc, ySrc, cx, cy), crKey);
    if (mask.isNull())
        return 0;
    m_pDC->drawImage(x, y, mask.convertToFormat(QImage::Format_RGB32));
    return 1;
}

namespace {
// The source with the mask's 1 pixels transparent.
QImage ApplyMask(const QImage& src, const QRect& rcSrc, const QImage& mask)
{
    QImage out = src.copy(rcSrc).convertToFormat(QImage::Format_ARGB32);
    if (mask.isNull())
        return out;
    const QImage m = mask.size() == src.size() ? mask.copy(rcSrc) : mask;
    for (int y = 0; y < out.height() && y < m.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width() && x < m.width(); ++x) {
            if (m.pixelIndex(x, y) == 1)
                line[x] = 0;
        }
    }
    return out;
}
}  // namespace

int CGraphicsExt::MaskBlt(int x, int y, int cx, int cy, const QImage& src, int xSrc, int ySrc, const QImage& mask)
{
    if (src.isNull())
        return 0;
    m_pDC->drawImage(QPoint(x, y), ApplyMask(src, QRect(xSrc, ySrc, cx, cy), mask.copy(xSrc, ySrc, cx, cy)));
    return 1;
}

int CGraphicsExt::StretchMaskBlt(const QRect& rcDst, const QImage& src, const QRect& rcSrc, const QImage& mask)
{
    if (src.isNull() || rcDst.isEmpty())
        return 0;
    m_pDC->drawImage(rcDst, ApplyMask(src, rcSrc, mask.size() == src.size() ? mask.copy(rcSrc) : mask));
    return 1;
}

int CGraphicsExt::TransparentBlt(int x, int y, int cx, int cy, const QImage& src, int xSrc, int ySrc, int cxSrc,
                                 int cySrc, COLORREF crKey)
{
    if (src.isNull() || cx <= 0 || cy <= 0)
        return 0;
    const QImage cut = KeyOut(src.copy(xSrc, ySrc, cxSrc, cySrc), crKey);
    // Nearest-neighbour stretching keeps the key's edge exact.
    const bool smooth = m_pDC->testRenderHint(QPainter::SmoothPixmapTransform);
    m_pDC->setRenderHint(QPainter::SmoothPixmapTransform, false);
    m_pDC->drawImage(QRect(x, y, cx, cy), cut);
    m_pDC->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    return 1;
}

void CGraphicsExt::DrawBackgroundImage(const QRect& dst, const QImage& src, const QRect& s, const QMargins& margins,
                                       bool bHollow)
{
    if (src.isNull() || dst.isEmpty() || s.isEmpty())
        return;
    const QMargins d = FitMargins(margins, dst);
    const QMargins m = FitMargins(margins, s);
    const int xs[4] = {s.left(), s.left() + m.left(), s.left() + s.width() - m.right(), s.left() + s.width()};
    const int ys[4] = {s.top(), s.top() + m.top(), s.top() + s.height() - m.bottom(), s.top() + s.height()};
    const int xd[4] = {dst.left(), dst.left() + d.left(), dst.left() + dst.width() - d.right(), dst.left() + dst.width()};
    const int yd[4] = {dst.top(), dst.top() + d.top(), dst.top() + dst.height() - d.bottom(), dst.top() + dst.height()};
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            if (bHollow && i == 1 && j == 1)
                continue;
            const QRect sr(xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j]);
            const QRect dr(xd[i], yd[j], xd[i + 1] - xd[i], yd[j + 1] - yd[j]);
            if (!sr.isEmpty() && !dr.isEmpty())
                m_pDC->drawImage(dr, src, sr);
        }
    }
}

void CGraphicsExt::DrawBackgroundTransparentImage(const QRect& rcDst, const QImage& src, const QImage& mask,
                                                  const QRect& rcSrc, const QMargins& margins, bool bHollow)
{
    const QImage cut = ApplyMask(src, src.rect(), mask);
    const bool smooth = m_pDC->testRenderHint(QPainter::SmoothPixmapTransform);
    m_pDC->setRenderHint(QPainter::SmoothPixmapTransform, false);
    DrawBackgroundImage(rcDst, cut, rcSrc, margins, bHollow);
    m_pDC->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
}

void CGraphicsExt::DrawBackgroundBorder(const QRect& rc, COLORREF crBorder, int nWidth, bool bHollow, COLORREF crFill)
{
    if (rc.isEmpty())
        return;
    if (!bHollow)
        m_pDC->fillRect(rc, tamo::ColorFromRef(crFill));
    const int w = std::max(0, std::min({nWidth, rc.width() / 2, rc.height() / 2}));
    if (w == 0)
        return;
    const QColor c = tamo::ColorFromRef(crBorder);
    m_pDC->fillRect(QRect(rc.left(), rc.top(), rc.width(), w), c);
    m_pDC->fillRect(QRect(rc.left(), rc.bottom() - w + 1, rc.width(), w), c);
    m_pDC->fillRect(QRect(rc.left(), rc.top() + w, w, rc.height() - 2 * w), c);
    m_pDC->fillRect(QRect(rc.right() - w + 1, rc.top() + w, w, rc.height() - 2 * w), c);
}

void CGraphicsExt::DrawIcon(const CImageList* pImages, int nIndex, const QRect& rc, int nEffect, COLORREF crBlend)
{
    if (!pImages || nIndex < 0 || nIndex >= pImages->GetImageCount())
        return;
    const QImage& icon = pImages->GetImage(nIndex);
    if (nEffect != 1 && nEffect != 2) {
        m_pDC->drawImage(rc.topLeft(), icon);
        return;
    }
    QImage blended = icon.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                         .copy(0, 0, std::min(icon.width(), rc.width()), std::min(icon.height(), rc.height()));
    {
        QPainter p(&blended);
        p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
        QColor c = tamo::ColorFromRef(crBlend);
        c.setAlphaF(nEffect == 1 ? 0.25 : 0.5);
        p.fillRect(blended.rect(), c);
    }
    m_pDC->drawImage(rc.topLeft(), blended);
}

void CGraphicsExt::DrawTextW(const QString& text, int nLength, unsigned nFormat, const QRect& rc, COLORREF crText,
                             const QFont* pFont, int nEffect, COLORREF crShadow)
{
    QString shown = nLength < 0 ? text : text.left(nLength);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QFont font = pFont ? *pFont : QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    m_pDC->save();
    m_pDC->setFont(font);
    if (nFormat & tamo::DT_END_ELLIPSIS)
        shown = QFontMetrics(font).elidedText(shown, Qt::ElideRight, rc.width());
    const int flags = tamo::QtTextFlags(nFormat);
    if (nEffect == 1) {
        m_pDC->setPen(tamo::ColorFromRef(crShadow));
        m_pDC->drawText(rc.translated(1, 1), flags, shown);
    }
    m_pDC->setPen(tamo::ColorFromRef(crText));
    m_pDC->drawText(rc, flags, shown);
    m_pDC->restore();
}
