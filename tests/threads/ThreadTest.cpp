#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "base/Thread.h"
#include "ThreadTestSupport.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tamo::test::Gate;

// Counts its runs, remembers which CThread ran it, and blocks on a gate when asked to.
class RecordingRunnable : public IRunnable {
public:
    explicit RecordingRunnable(Gate* pGate = nullptr) : m_pGate(pGate) {}
    void Run() override
    {
        m_pSeenThread.store(CThread::GetCurrentThread());
        m_nRuns.fetch_add(1);
        m_started.Open();
        if (m_pGate)
            m_pGate->Wait();
        m_nDone.fetch_add(1);  // the last touch of this object
    }
    std::atomic<int> m_nRuns{0};
    std::atomic<int> m_nDone{0};
    std::atomic<CThread*> m_pSeenThread{nullptr};
    Gate m_started;

private:
    Gate* m_pGate;
};

// Work of a derived class that runs until it is asked to stop.
class PollingThread : public CThread {
public:
    ~PollingThread() override
    {
        Interrupt();
        Join(kWaitForever);
    }
    void Run() override
    {
        m_started.Open();
        while (!IsInterrupted())
            std::this_thread::sleep_for(1ms);
        m_bFinished.store(true);
    }
    using CThread::ThreadProc;
    Gate m_started;
    std::atomic<bool> m_bFinished{false};
};

TEST(ThreadTest, RunsTheRunnableOnItsOwnThreadAndRecordsItself)
{
    RecordingRunnable work;
    CThread thread(&work);
    ASSERT_TRUE(thread.Start());
    EXPECT_TRUE(thread.Join(CThread::kWaitForever));
    EXPECT_EQ(work.m_nRuns.load(), 1);
    EXPECT_EQ(work.m_pSeenThread.load(), &thread);
    EXPECT_EQ(CThread::GetCurrentThread(), nullptr) << "the test's own thread runs no CThread";
    EXPECT_FALSE(thread.IsAlive());
}

TEST(ThreadTest, WithoutRunnableRunsNothingAndEndsWithCodeZero)
{
    CThread thread;
    ASSERT_TRUE(thread.Start());
    while (thread.IsAlive())
        std::this_thread::sleep_for(1ms);
    DWORD dwCode = 99;
    ASSERT_TRUE(thread.GetExitCode(dwCode)) << "the ended thread's handle is still held";
    EXPECT_EQ(dwCode, 0u);
    EXPECT_TRUE(thread.Join(0));
    EXPECT_FALSE(thread.GetExitCode(dwCode)) << "Join released the handle";
}

TEST(ThreadTest, NeverStartedIsNotAliveAndJoinsAtOnce)
{
    CThread thread;
    EXPECT_FALSE(thread.IsAlive());
    EXPECT_TRUE(thread.Join(0));
    EXPECT_TRUE(thread.Join(CThread::kWaitForever));
    DWORD dwCode = 0;
    EXPECT_FALSE(thread.GetExitCode(dwCode));
}

TEST(ThreadTest, StartIsRefusedWhileAliveAndAllowedAgainAfterTheEnd)
{
    Gate gate;
    RecordingRunnable work(&gate);
    CThread thread(&work);
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.Start());
    EXPECT_TRUE(thread.IsAlive());
    gate.Open();
    ASSERT_TRUE(thread.Join(CThread::kWaitForever));

    ASSERT_TRUE(thread.Start()) << "a finished object starts again";
    ASSERT_TRUE(thread.Join(CThread::kWaitForever));
    EXPECT_EQ(work.m_nRuns.load(), 2);
}

TEST(ThreadTest, JoinHonoursItsTimeLimitAndKeepsTheHandleOnTimeOut)
{
    Gate gate;
    RecordingRunnable work(&gate);
    CThread thread(&work);
    ASSERT_TRUE(thread.Start());

    auto t0 = Clock::now();
    EXPECT_FALSE(thread.Join(0));
    EXPECT_LT(Clock::now() - t0, 200ms) << "Join(0) must not wait";
    t0 = Clock::now();
    EXPECT_FALSE(thread.Join(60));
    EXPECT_GE(Clock::now() - t0, 60ms);
    EXPECT_TRUE(thread.IsAlive()) << "a timed-out Join keeps the handle";

    gate.Open();
    EXPECT_TRUE(thread.Join(-1)) << "-1 is the unlimited wait";
    EXPECT_FALSE(thread.IsAlive());
}

TEST(ThreadTest, InterruptBeforeStartHasNoEffect)
{
    RecordingRunnable work;
    CThread thread(&work);
    thread.Interrupt();
    EXPECT_TRUE(thread.IsInterrupted());
    ASSERT_TRUE(thread.Start());
    EXPECT_FALSE(thread.IsInterrupted());
    ASSERT_TRUE(thread.Join(CThread::kWaitForever));
    EXPECT_EQ(work.m_nRuns.load(), 1);
}

TEST(ThreadTest, EntryWithTheFlagSetRunsNothingAndAnswersOne)
{
    PollingThread thread;
    std::atomic<DWORD> dwCode{99};
    thread.Interrupt();
    // The entry is run on a plain thread so that the test thread's slot stays clean.
    std::thread([&] { dwCode = PollingThread::ThreadProc(&thread); }).join();
    EXPECT_EQ(dwCode.load(), 1u);
    EXPECT_FALSE(thread.m_bFinished.load());
}

TEST(ThreadTest, InterruptStopsCooperativeWork)
{
    PollingThread thread;
    ASSERT_TRUE(thread.Start());
    thread.m_started.Wait();
    EXPECT_FALSE(thread.Join(20)) << "work that polls keeps running until interrupted";
    thread.Interrupt();
    EXPECT_TRUE(thread.Join(CThread::kWaitForever));
    EXPECT_TRUE(thread.m_bFinished.load());
}

TEST(ThreadTest, DestructorInterruptsAndWaitsForTheEnd)
{
    std::atomic<bool> bFinished{false};
    {
        // A plain CThread running work that polls the flag of the thread it runs on.
        struct Poller : IRunnable {
            std::atomic<bool>* pFinished;
            Gate started;
            void Run() override
            {
                started.Open();
                CThread* pSelf = CThread::GetCurrentThread();
                while (!pSelf->IsInterrupted())
                    std::this_thread::sleep_for(1ms);
                pFinished->store(true);
            }
        } work;
        work.pFinished = &bFinished;
        CThread thread(&work);
        ASSERT_TRUE(thread.Start());
        work.started.Wait();
    }
    EXPECT_TRUE(bFinished.load());
}

TEST(ThreadTest, ResetForgetsTheHandleButLeavesTheThreadRunning)
{
    Gate gate;
    RecordingRunnable work(&gate);
    CThread thread(&work);
    ASSERT_TRUE(thread.Start());
    work.m_started.Wait();
    thread.Reset();
    EXPECT_FALSE(thread.IsAlive());
    EXPECT_TRUE(thread.Join(0));
    EXPECT_EQ(work.m_nRuns.load(), 1);

    // The forgotten run still holds the object; a new run may start beside it.
    ASSERT_TRUE(thread.Start());
    gate.Open();
    ASSERT_TRUE(thread.Join(CThread::kWaitForever));
    EXPECT_EQ(work.m_nRuns.load(), 2);
    // The forgotten run must be done with the runnable before it goes.
    while (work.m_nDone.load() < 2)
        std::this_thread::sleep_for(1ms);
}

}  // namespace
