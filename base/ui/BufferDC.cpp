#include "base/ui/BufferDC.h"

#include <QPaintDevice>

namespace {
QRect AreaOf(QPainter* target, const QRect& rc)
{
    if (!rc.isEmpty())
        return rc;
    if (target->hasClipping())
        return target->clipBoundingRect().toAlignedRect();
    QPaintDevice* dev = target->device();
    return dev ? QRect(0, 0, dev->width(), dev->height()) : QRect();
}
}  // namespace

CBufferDC::CBufferDC(QPainter* pTarget, const QRect& rcArea)
    : m_pTarget(pTarget), m_rcArea(AreaOf(pTarget, rcArea))
{
    const qreal dpr = pTarget->device() ? pTarget->device()->devicePixelRatioF() : 1.0;
    m_buffer = QImage(m_rcArea.size() * dpr, QImage::Format_ARGB32_Premultiplied);
    m_buffer.setDevicePixelRatio(dpr);
    m_buffer.fill(Qt::transparent);
    m_painter.begin(&m_buffer);
    // Callers draw in the target's coordinates; nothing above or left of the area lands.
    m_painter.translate(-m_rcArea.topLeft());
    m_painter.setFont(pTarget->font());
}

CBufferDC::~CBufferDC()
{
    m_painter.end();
    m_pTarget->drawImage(m_rcArea.topLeft(), m_buffer);
}
