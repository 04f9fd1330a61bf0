#include "app/CalToolTip.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>
#include <QWebEngineView>

#include "app/Explorer.h"
#include "base/WindowMessage.h"

namespace {

constexpr QRgb kTransparent = qRgb(0xFF, 0x00, 0xFF);
constexpr int kTailTop = 22;  // the tail points at the cursor, 30 pixels below the top

QPointer<CCalToolTip>& OpenOne()
{
    static QPointer<CCalToolTip> open;
    return open;
}

}  // namespace

QImage CCalToolTip::Bitmap()
{
    // A white card with a grey rim and an orange top line, and a tail on the left pointing at
    // the cursor; magenta around it.
    static const QImage bitmap = [] {
        QImage image(268, 170, QImage::Format_RGB32);
        image.fill(kTransparent);
        QPainter painter(&image);
        QPainterPath card;
        card.addRoundedRect(QRectF(4, 0, 264, 170), 6, 6);
        QPainterPath tail;
        tail.moveTo(5, kTailTop);
        tail.lineTo(0, kTailTop + 8);
        tail.lineTo(5, kTailTop + 14);
        tail.closeSubpath();
        const QPainterPath shape = card.united(tail);
        // No smoothing at the rim: every pixel is either the card's or magenta.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.fillPath(shape, QColor(0xA7, 0xA7, 0xA7));
        QPainterPath inner;
        inner.addRoundedRect(QRectF(5, 1, 262, 168), 5, 5);
        painter.fillPath(inner, Qt::white);
        painter.fillRect(QRect(8, 1, 256, 3), QColor(251, 129, 2));
        return image;
    }();
    return bitmap;
}

CCalToolTip* CCalToolTip::Current()
{
    return OpenOne();
}

CCalToolTip* CCalToolTip::Show(QWidget* owner, const QString& url, const QPoint& cursor)
{
    if (CCalToolTip* open = OpenOne())
        open->close();
    auto* tip = new CCalToolTip(owner, url);
    OpenOne() = tip;
    tip->move(cursor.x(), cursor.y() - 30);
    tip->show();
    tip->raise();
    tip->activateWindow();
    return tip;
}

CCalToolTip::CCalToolTip(QWidget* owner, const QString& url)
    : QWidget(owner ? owner->window() : nullptr, Qt::Tool | Qt::FramelessWindowHint), m_owner(owner), m_bitmap(Bitmap())
{
    setObjectName(QStringLiteral("CalToolTip"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(m_bitmap.size());
    setMask(QBitmap::fromImage(m_bitmap.createMaskFromColor(kTransparent, Qt::MaskInColor)));

    m_explorer = new CExplorer(this, ToolTipRules(), this);
    m_explorer->setObjectName(QStringLiteral("CalToolTipWeb"));
    m_explorer->setGeometry(rect().adjusted(10, 6, -6, -6));
    m_explorer->Navigate(url);
}

void CCalToolTip::OnPageAction(const SNavigationRule& rule, const QString&)
{
    // The pop-up's own view hands "add event" links to the owner; everything else loads.
    if (rule.action == ENavAction::QuickAddEvent && m_owner)
        PostWindowMessage(m_owner.data(), WM_COMMAND, ID_ADD_EVENT, 0);
}

bool CCalToolTip::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::WindowActivate:
        m_wasActive = true;
        break;
    case QEvent::WindowDeactivate:
        // Any click elsewhere: gone. Posted, so the click that caused it is handled first.
        if (m_wasActive)
            QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

void CCalToolTip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_bitmap);
}
