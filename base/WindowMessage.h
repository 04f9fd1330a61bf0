#pragma once

#include <QEvent>
#include <QObject>

// The application range of window messages starts here.
constexpr unsigned WM_USER = 0x0400;

// A window message posted to a QObject that stands for the window: the number and its two
// parameters. Owners pick it up in QObject::event or customEvent.
class CWindowMessageEvent : public QEvent {
public:
    CWindowMessageEvent(unsigned nMessage, quintptr wParam, qintptr lParam);

    // The event type all window messages travel as.
    static QEvent::Type EventType();

    unsigned Message() const { return m_nMessage; }
    quintptr WParam() const { return m_wParam; }
    qintptr LParam() const { return m_lParam; }

private:
    unsigned m_nMessage;
    quintptr m_wParam;
    qintptr m_lParam;
};

// Queues the message for the window's thread and returns at once; false without a window.
bool PostWindowMessage(QObject* pWnd, unsigned nMessage, quintptr wParam, qintptr lParam);
