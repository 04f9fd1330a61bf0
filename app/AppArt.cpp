#include "app/AppArt.h"

#include <map>

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor kAccent(251, 129, 2);
const QColor kGrey(0x88, 0x88, 0x88);
const QColor kLightGrey(0xA7, 0xA7, 0xA7);

QPixmap Blank(int w, int h)
{
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A rounded button face with a centred label.
QPixmap Button(int w, int h, const QString& label, const QColor& face)
{
    QPixmap pixmap = Blank(w, h);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(face.darker(115));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 3, 3);
    QFont font(QStringLiteral("돋움"));
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRect(0, 0, w, h), Qt::AlignCenter, label);
    return pixmap;
}

// A small calendar leaf: the program's icon.
QPixmap CalendarIcon(int size, const QColor& color)
{
    QPixmap pixmap = Blank(size, size);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size / 16.0;
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRoundedRect(QRectF(1 * s, 2 * s, 14 * s, 13 * s), 2 * s, 2 * s);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5 * s, 6 * s, 11 * s, 7.5 * s));
    p.setBrush(color);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRect(QRectF((3.5 + col * 3.4) * s, (7 + row * 3.3) * s, 2.2 * s, 2.2 * s));
    p.setBrush(color.darker(130));
    p.drawRect(QRectF(4 * s, 0.5 * s, 1.6 * s, 3 * s));
    p.drawRect(QRectF(10.4 * s, 0.5 * s, 1.6 * s, 3 * s));
    return pixmap;
}

// The 15 x 15 pictures of the menu and the sync button, drawn with a pen.
QPixmap Glyph(int id)
{
    QPixmap pixmap = Blank(15, 15);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(kGrey, 1.4);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    switch (id) {
    case 140: {  // two arrows going round: synchronise
        QPen orange(kAccent, 1.6);
        orange.setCapStyle(Qt::RoundCap);
        p.setPen(orange);
        p.drawArc(QRectF(2.5, 2.5, 10, 10), 30 * 16, 150 * 16);
        p.drawArc(QRectF(2.5, 2.5, 10, 10), 210 * 16, 150 * 16);
        p.drawLine(QPointF(2.5, 7.5), QPointF(1, 5.5));
        p.drawLine(QPointF(2.5, 7.5), QPointF(4.5, 6));
        p.drawLine(QPointF(12.5, 7.5), QPointF(14, 9.5));
        p.drawLine(QPointF(12.5, 7.5), QPointF(10.5, 9));
        break;
    }
    case 150:  // quit: a power sign
        p.drawArc(QRectF(2.5, 3, 10, 10), 120 * 16, 300 * 16);
        p.drawLine(QPointF(7.5, 1.5), QPointF(7.5, 7.5));
        break;
    case 151:  // options: a gear
        p.drawEllipse(QPointF(7.5, 7.5), 2.3, 2.3);
        for (int k = 0; k < 8; ++k) {
            p.save();
            p.translate(7.5, 7.5);
            p.rotate(k * 45);
            p.drawLine(QPointF(0, 4), QPointF(0, 6));
            p.restore();
        }
        p.drawEllipse(QPointF(7.5, 7.5), 4.3, 4.3);
        break;
    case 152:  // hide or show: a window
        p.drawRect(QRectF(1.5, 3, 12, 9.5));
        p.drawLine(QPointF(1.5, 5.5), QPointF(13.5, 5.5));
        break;
    case 153:  // add an event: a leaf with a plus
        p.drawPixmap(0, 0, CalendarIcon(15, kGrey));
        p.setPen(QPen(kAccent, 1.6));
        p.drawLine(QPointF(11, 9), QPointF(11, 14));
        p.drawLine(QPointF(8.5, 11.5), QPointF(13.5, 11.5));
        break;
    case 154:  // add a to-do: a tick box
        p.drawRect(QRectF(1.5, 1.5, 12, 12));
        p.setPen(QPen(kAccent, 1.8));
        p.drawLine(QPointF(4, 7.5), QPointF(6.5, 10));
        p.drawLine(QPointF(6.5, 10), QPointF(11, 4.5));
        break;
    default:
        break;
    }
    return pixmap;
}

// The menu button: three lines, in normal, hot, pressed and disabled colours side by side.
QPixmap MenuButton()
{
    const QColor colours[] = {kGrey, kAccent, kAccent.darker(120), kLightGrey};
    QPixmap strip = Blank(4 * 18, 18);
    QPainter p(&strip);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(colours[i], 1.6, Qt::SolidLine, Qt::RoundCap));
        for (int line = 0; line < 3; ++line)
            p.drawLine(QPointF(i * 18 + 4, 5 + line * 4), QPointF(i * 18 + 14, 5 + line * 4));
    }
    return strip;
}

QPixmap AboutPicture(int id)
{
    if (id == 131)
        return CalendarIcon(48, kAccent);
    // 132: the name beside it.
    QPixmap pixmap = Blank(150, 48);
    QPainter p(&pixmap);
    QFont font(QStringLiteral("돋움"));
    font.setPixelSize(20);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kAccent);
    p.drawText(QRect(0, 0, 150, 48), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Tamo캘린더"));
    return pixmap;
}

// The title strip: the program's name beside the menu button.
QPixmap TitleStrip()
{
    QPixmap pixmap = Blank(160, 23);
    QPainter p(&pixmap);
    QFont font(QStringLiteral("돋움"));
    font.setPixelSize(12);
    font.setBold(true);
    p.setFont(font);
    p.setPen(kAccent);
    p.drawText(QRect(26, 0, 134, 23), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Tamo캘린더"));
    return pixmap;
}

QPixmap Make(int id)
{
    switch (id) {
    case 159:
        return TitleStrip();
    case 131:
    case 132:
        return AboutPicture(id);
    case 134:
        return Button(48, 50, QStringLiteral("로그인"), kAccent);
    case 136:
        return MenuButton();
    case 157:
        return Button(90, 24, QStringLiteral("다시 로그인"), kAccent);
    case 161:
        return CalendarIcon(16, kAccent);
    case 180:
        return CalendarIcon(16, kLightGrey);
    default:
        return Glyph(id);
    }
}

}  // namespace

QPixmap AppBitmap(int id)
{
    static std::map<int, QPixmap> cache;
    auto found = cache.find(id);
    if (found == cache.end())
        found = cache.emplace(id, Make(id)).first;
    return found->second;
}

QIcon AppIcon(int id)
{
    QIcon icon;
    icon.addPixmap(AppBitmap(id));
    if (id == 161 || id == 180)
        icon.addPixmap(CalendarIcon(32, id == 161 ? kAccent : kLightGrey));
    return icon;
}

int CAppPicture::DrawBackground(QPainter* pDC, int, const QRect& rc) const
{
    pDC->drawPixmap(rc.topLeft(), AppBitmap(m_id));
    return 1;
}
