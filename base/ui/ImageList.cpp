#include "base/ui/ImageList.h"

#include <QPainter>

int CImageList::Add(const QImage& strip)
{
    if (strip.isNull())
        return -1;
    if (!m_size.isValid() || m_size.isEmpty())
        m_size = strip.size();
    const int first = GetImageCount();
    for (int x = 0; x + m_size.width() <= strip.width(); x += m_size.width())
        m_images.push_back(strip.copy(x, 0, m_size.width(), m_size.height()));
    return GetImageCount() > first ? first : -1;
}

const QImage& CImageList::GetImage(int nIndex) const
{
    static const QImage none;
    return nIndex >= 0 && nIndex < GetImageCount() ? m_images[nIndex] : none;
}

bool CImageList::Draw(QPainter* pDC, int nIndex, const QPoint& pt) const
{
    if (nIndex < 0 || nIndex >= GetImageCount())
        return false;
    pDC->drawImage(pt, m_images[nIndex]);
    return true;
}
