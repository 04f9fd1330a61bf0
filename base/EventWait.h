#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

// Runs the thread's events until the condition holds or the time is up: for callers that must
// wait on the window thread for something the event loop brings (a page load, a timer), such
// as the demo's pictures and the tests. True when the condition came true.
template <typename Pred>
bool WaitUntil(Pred condition, int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > milliseconds)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        // Windows closed meanwhile go now, not at the end of an outer loop.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// Runs the thread's events for a while (timers fire, pages paint).
inline void ProcessEventsFor(int milliseconds)
{
    WaitUntil([] { return false; }, milliseconds);
}
