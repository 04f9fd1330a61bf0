#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QObject>

#include "base/WindowMessage.h"

namespace tamo::test {

// A one-way gate: a server route or a worker waits on it until the test opens it. The wait is
// bounded so that a failing test can't hang the program.
class Gate {
public:
    void Open()
    {
        {
            std::lock_guard lock(m_mutex);
            m_bOpen = true;
        }
        m_changed.notify_all();
    }
    bool Wait(std::chrono::milliseconds limit = std::chrono::seconds(10))
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return m_bOpen; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_bOpen = false;
};

// Stands for a window: keeps every window message posted to it, in order of arrival.
class MessageSink : public QObject {
public:
    struct Message {
        unsigned nMessage;
        quintptr wParam;
        qintptr lParam;
    };
    std::vector<Message> m_messages;

protected:
    bool event(QEvent* pEvent) override
    {
        if (pEvent->type() != CWindowMessageEvent::EventType())
            return QObject::event(pEvent);
        const auto* pMessage = static_cast<CWindowMessageEvent*>(pEvent);
        m_messages.push_back({pMessage->Message(), pMessage->WParam(), pMessage->LParam()});
        return true;
    }
};

// Delivers posted events until done() holds or the limit has passed; answers done().
inline bool PumpEventsUntil(const std::function<bool()>& done,
                            std::chrono::milliseconds limit = std::chrono::seconds(10))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

}  // namespace tamo::test
