#pragma once

#include <QImage>
#include <QPixmap>
#include <QVector>

class QPainter;

// A row of equally sized images addressed by index.
class CImageList {
public:
    CImageList() = default;
    CImageList(int cx, int cy) { Create(cx, cy); }

    void Create(int cx, int cy) { m_size = QSize(cx, cy); m_images.clear(); }
    // Adds every cx-wide cell of a strip; answers the index of the first one (-1 when none).
    int Add(const QImage& strip);
    int Add(const QPixmap& image) { return Add(image.toImage()); }
    int GetImageCount() const { return int(m_images.size()); }
    QSize GetImageSize() const { return m_size; }
    const QImage& GetImage(int nIndex) const;
    bool Draw(QPainter* pDC, int nIndex, const QPoint& pt) const;

private:
    QSize m_size;
    QVector<QImage> m_images;
};
