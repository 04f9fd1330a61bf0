#include "Gallery.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {
QVector<QPair<QString, CGallery::Register>>& Registry()
{
    static QVector<QPair<QString, CGallery::Register>> groups;
    return groups;
}
}  // namespace

bool CGallery::AddGroup(const char* name, Register fn)
{
    Registry().push_back({QString::fromUtf8(name), std::move(fn)});
    return true;
}

const QVector<QPair<QString, CGallery::Register>>& CGallery::Groups() { return Registry(); }

QImage CGallery::Grab(QWidget* w)
{
    if (!w->isVisible())
        w->show();
    QApplication::processEvents();
    return w->grab().toImage();
}

QImage CGallery::OnWhite(const QImage& image, int margin)
{
    QImage out(image.size() + QSize(2 * margin, 2 * margin), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(margin, margin, image);
    return out;
}

void CGallery::AddWidget(const QString& name, QWidget* w, int margin)
{
    Add(name, OnWhite(Grab(w), margin));
}

void CGallery::AddControl(const QString& name, QWidget* w, int margin)
{
    QWidget host;
    host.setAutoFillBackground(true);
    QPalette pal = host.palette();
    pal.setColor(QPalette::Window, Qt::white);
    host.setPalette(pal);
    QWidget* oldParent = w->parentWidget();
    const QPoint oldPos = w->pos();
    w->setParent(&host);
    w->move(margin, margin);
    host.resize(w->size() + QSize(2 * margin, 2 * margin));
    w->show();
    Add(name, Grab(&host));
    w->setParent(oldParent);
    w->move(oldPos);
}

void CGallery::Hover(QWidget* w, const QPoint& pt)
{
    const QPointF local(pt), global(w->mapToGlobal(pt));
    QEnterEvent enter(local, local, global);
    QApplication::sendEvent(w, &enter);
    QMouseEvent move(QEvent::MouseMove, QPointF(pt), QPointF(w->mapToGlobal(pt)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

QImage CGallery::WithPopup(QWidget* window, QWidget* popup, int margin)
{
    const QImage base = Grab(window);
    const QImage over = popup->grab().toImage();
    const QRect baseRect(window->mapToGlobal(QPoint(0, 0)), base.size());
    const QRect overRect(popup->mapToGlobal(QPoint(0, 0)), over.size());
    const QRect all = baseRect.united(overRect).adjusted(-margin, -margin, margin, margin);
    QImage out(all.size(), QImage::Format_RGB32);
    out.fill(Qt::white);
    QPainter p(&out);
    p.drawImage(baseRect.topLeft() - all.topLeft(), base);
    p.drawImage(overRect.topLeft() - all.topLeft(), over);
    return out;
}
