#pragma once

#include <QIcon>
#include <QPixmap>

// The program's pictures by their resource numbers, drawn once on first use:
// 131, 132 about pictures; 134 sign-in button; 136 menu button (normal, hot, pressed, disabled);
// 140 the sync button's image; 150-154 menu images; 157 back-to-sign-in button; 159 title strip;
// 161 signed-in icon, 180 signed-out icon.
QPixmap AppBitmap(int id);
QIcon AppIcon(int id);

class QPainter;

// One of the pictures, for the skinned controls that draw a borrowed picture.
class CAppPicture {
public:
    explicit CAppPicture(int id) : m_id(id) {}
    int DrawBackground(QPainter* pDC, int nState, const QRect& rc) const;
    QSize GetSize() const { return AppBitmap(m_id).size(); }

private:
    int m_id;
};
