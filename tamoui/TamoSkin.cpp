#include "tamoui/TamoSkin.h"

#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

namespace tamoui::skin {

const QImage& Image(const QString& name)
{
    static QHash<QString, QImage> cache;
    auto it = cache.find(name);
    if (it != cache.end())
        return *it;
    QSvgRenderer svg(QStringLiteral(":/tamoui/%1.svg").arg(name));
    QImage img;
    if (svg.isValid()) {
        img = QImage(svg.defaultSize(), QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        svg.render(&p);
    }
    return *cache.insert(name, img);
}

QRect Cell(const QImage& strip, int count, int n)
{
    if (count <= 0 || strip.isNull())
        return {};
    const int w = strip.width() / count;
    return QRect(n * w, 0, w, strip.height());
}

void DrawNine(QPainter* dc, const QRect& dst, const QImage& src, const QRect& s, const QMargins& m)
{
    if (src.isNull() || dst.isEmpty() || s.isEmpty())
        return;
    const int l = std::min(m.left(), dst.width() / 2), r = std::min(m.right(), dst.width() / 2);
    const int t = std::min(m.top(), dst.height() / 2), b = std::min(m.bottom(), dst.height() / 2);
    const int xs[4] = {s.left(), s.left() + m.left(), s.right() + 1 - m.right(), s.right() + 1};
    const int ys[4] = {s.top(), s.top() + m.top(), s.bottom() + 1 - m.bottom(), s.bottom() + 1};
    const int xd[4] = {dst.left(), dst.left() + l, dst.right() + 1 - r, dst.right() + 1};
    const int yd[4] = {dst.top(), dst.top() + t, dst.bottom() + 1 - b, dst.bottom() + 1};
    for (int j = 0; j < 3; ++j) {
        for (int i = 0; i < 3; ++i) {
            const QRect sr(xs[i], ys[j], xs[i + 1] - xs[i], ys[j + 1] - ys[j]);
            const QRect dr(xd[i], yd[j], xd[i + 1] - xd[i], yd[j + 1] - yd[j]);
            if (!sr.isEmpty() && !dr.isEmpty())
                dc->drawImage(dr, src, sr);
        }
    }
}

}  // namespace tamoui::skin
