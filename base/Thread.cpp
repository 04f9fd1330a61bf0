#include "base/Thread.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace {
thread_local CThread* t_pCurrentThread = nullptr;
}

// What the owner holds of a started thread. The state is shared with the thread itself, so it
// stays valid when the owner forgets the handle while the thread still runs.
struct CThread::Handle {
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        bool bReleased = false;  // the thread waits for this before it runs anything
        bool bEnded = false;
        DWORD dwExitCode = 0;
        std::thread::id id;
    };
    std::shared_ptr<State> pState;
    std::thread thread;

    bool Ended() const
    {
        std::lock_guard lock(pState->mutex);
        return pState->bEnded;
    }
};

CThread::CThread(IRunnable* pRunnable) : m_pRunnable(pRunnable) {}

CThread::~CThread()
{
    Interrupt();
    Join(kWaitForever);
    Reset();
}

void CThread::Run()
{
    if (m_pRunnable)
        m_pRunnable->Run();
}

bool CThread::Start()
{
    if (IsAlive())
        return false;
    Reset();

    auto pState = std::make_shared<Handle::State>();
    std::thread thread;
    try {
        thread = std::thread([this, pState] {
#ifndef TAMO_UPDATER
            // Held until Start has cleared the flag; the update program's copy runs at once.
            {
                std::unique_lock lock(pState->mutex);
                pState->changed.wait(lock, [&] { return pState->bReleased; });
            }
#endif
            const DWORD dwExitCode = ThreadProc(this);
            // From here on the object may already be gone: only the shared state is touched.
            {
                std::lock_guard lock(pState->mutex);
                pState->bEnded = true;
                pState->dwExitCode = dwExitCode;
            }
            pState->changed.notify_all();
        });
    } catch (const std::system_error&) {
        return false;
    }
    pState->id = thread.get_id();
    m_hThread = std::make_unique<Handle>(Handle{pState, std::move(thread)});

    // Cleared before the thread may look at it: an earlier Interrupt does not cancel this run.
    m_bInterrupted.store(false);
    {
        std::lock_guard lock(pState->mutex);
        pState->bReleased = true;
    }
    pState->changed.notify_all();
    return true;
}

bool CThread::Join(DWORD dwMilliseconds)
{
    if (!m_hThread)
        return true;
    Handle::State& state = *m_hThread->pState;
    {
        std::unique_lock lock(state.mutex);
        if (!state.bEnded && state.id == std::this_thread::get_id())
            return false;  // a thread can never see its own end
        const auto ended = [&] { return state.bEnded; };
        if (dwMilliseconds == kWaitForever)
            state.changed.wait(lock, ended);
        else if (!state.changed.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), ended))
            return false;
    }
    Reset();
    return true;
}

bool CThread::IsAlive() const
{
    return m_hThread && !m_hThread->Ended();
}

void CThread::Reset()
{
    if (!m_hThread)
        return;
    if (m_hThread->thread.joinable()) {
        // An ended thread has only its last few instructions left; a running one is let go.
        if (m_hThread->Ended())
            m_hThread->thread.join();
        else
            m_hThread->thread.detach();
    }
    m_hThread.reset();
}

bool CThread::GetExitCode(DWORD& dwExitCode) const
{
    if (!m_hThread)
        return false;
    std::lock_guard lock(m_hThread->pState->mutex);
    if (!m_hThread->pState->bEnded)
        return false;
    dwExitCode = m_hThread->pState->dwExitCode;
    return true;
}

CThread* CThread::GetCurrentThread()
{
    return t_pCurrentThread;
}

DWORD CThread::ThreadProc(CThread* pThread)
{
    t_pCurrentThread = pThread;
    if (pThread->m_bInterrupted.load())
        return 1;
    pThread->Run();
    return 0;
}
