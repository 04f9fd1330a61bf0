#include "base/WindowMessage.h"

#include <QCoreApplication>

CWindowMessageEvent::CWindowMessageEvent(unsigned nMessage, quintptr wParam, qintptr lParam)
    : QEvent(EventType()), m_nMessage(nMessage), m_wParam(wParam), m_lParam(lParam)
{
}

QEvent::Type CWindowMessageEvent::EventType()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

bool PostWindowMessage(QObject* pWnd, unsigned nMessage, quintptr wParam, qintptr lParam)
{
    if (!pWnd)
        return false;
    QCoreApplication::postEvent(pWnd, new CWindowMessageEvent(nMessage, wParam, lParam));
    return true;
}
