#pragma once

#include <atomic>
#include <memory>

#include "platform/WinTypes.h"

// Work that a CThread runs on its own thread.
class IRunnable {
public:
    virtual ~IRunnable() = default;
    virtual void Run() = 0;
};

// One worker thread that runs either a given IRunnable or the Run of a derived class. The owner
// asks the work to stop through the interrupted flag, which the work polls; nothing ever forces
// a thread to end. The object must outlive its thread: the destructor interrupts and waits.
// Derived classes whose Run uses their own members interrupt and join in their own destructor.
class CThread : public IRunnable {
public:
    explicit CThread(IRunnable* pRunnable = nullptr);
    ~CThread() override;
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // The wait that never times out, for Join (callers may write -1).
    static constexpr DWORD kWaitForever = 0xFFFFFFFF;

    // Calls the runnable's Run, if there is one.
    void Run() override;

    // False while an earlier run is alive or when no thread could be made. Clears the
    // interrupted flag, so an Interrupt given before Start has no effect.
    [[nodiscard]] bool Start();
    // True once the thread has ended (the handle is then released) or when there is none;
    // false when it still runs after dwMilliseconds. kWaitForever waits without limit.
    bool Join(DWORD dwMilliseconds);
    [[nodiscard]] bool IsAlive() const;
    // Forgets the handle; a running thread goes on running.
    void Reset();
    void Interrupt() { m_bInterrupted.store(true); }
    [[nodiscard]] bool IsInterrupted() const { return m_bInterrupted.load(); }
    // The exit code of the ended thread still held: 0 after Run, 1 when the thread found the
    // flag set and ran nothing. False while it runs or when there is no handle.
    [[nodiscard]] bool GetExitCode(DWORD& dwExitCode) const;

    // The CThread that the calling thread runs; null on threads not started by a CThread.
    static CThread* GetCurrentThread();

protected:
    // The thread's entry: records the object for GetCurrentThread, then runs it unless the
    // interrupted flag is already set.
    static DWORD ThreadProc(CThread* pThread);

    // Set by the owner, polled by the work; derived classes set it directly too.
    std::atomic<bool> m_bInterrupted{false};

private:
    struct Handle;

    IRunnable* m_pRunnable;
    std::unique_ptr<Handle> m_hThread;
};
