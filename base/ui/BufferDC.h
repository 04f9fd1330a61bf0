#pragma once

#include <QImage>
#include <QPainter>
#include <QRect>

// An off-screen buffer for flicker-free painting: draw through it, and the area is copied to
// the target painter when the buffer goes out of scope. An empty area means the target's clip.
class CBufferDC {
public:
    CBufferDC(QPainter* pTarget, const QRect& rcArea = QRect());
    ~CBufferDC();
    CBufferDC(const CBufferDC&) = delete;
    CBufferDC& operator=(const CBufferDC&) = delete;

    QPainter* operator->() { return &m_painter; }
    QPainter* GetPainter() { return &m_painter; }
    QRect GetArea() const { return m_rcArea; }

private:
    QPainter* m_pTarget;
    QRect m_rcArea;
    QImage m_buffer;
    QPainter m_painter;
};
