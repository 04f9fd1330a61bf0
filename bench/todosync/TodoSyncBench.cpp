// One whole to-do sync with N items only on the service and N only in Outlook.
#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include "TodoSyncWorld.h"
#include "base/Settings.h"
#include "platform/mapi/Mapi.h"
#include "syncengine/MAPISync.h"
#include "syncui/SyncRun.h"

using namespace tamo::test;

namespace {

void SeedOutlook(int n)
{
    CMAPISync engine;
    IMAPIFolder* folder = engine.InitMapi() == 1 ? engine.m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID) : nullptr;
    for (int i = 0; folder && i < n; ++i) {
        IMessage* msg = nullptr;
        if (FAILED(folder->CreateMessage(nullptr, 0, &msg)))
            return;
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_MESSAGE_CLASS_W, QStringLiteral("IPM.Task"));
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, QStringLiteral("아웃룩 할일 %1").arg(i));
        CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_IMPORTANCE, LONG(i % 3));
        msg->SaveChanges(0);
        msg->Release();
    }
}

void BM_TodoSync(benchmark::State& state)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TodoSyncWorld world;
        if (!world.ok() || !world.SetPreferences(true, false, true, true, false)) {
            state.SkipWithError("no service");
            return;
        }
        for (int i = 0; i < n; ++i)
            world.AddServiceTodo(QStringLiteral("todo[title]=service%1&todo[priority]=%2").arg(i).arg(1 + i % 5));
        SeedOutlook(n);
        state.ResumeTiming();
        CSyncRun run;
        const int status = run.Execute();
        state.PauseTiming();
        if (status != syncstatus::kDone)
            state.SkipWithError("sync failed");
        state.ResumeTiming();
    }
    state.counters["items"] = 2.0 * n;
    state.counters["per_item"] =
        benchmark::Counter(2.0 * n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TodoSync)->Arg(2500)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The pair pass: N pairs, every one settled again (no recorded sync times, so each pair is
// rewritten in the direction of its newer side).
void BM_TodoSyncPairs(benchmark::State& state)
{
    const int n = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        TodoSyncWorld world;
        if (!world.ok() || !world.SetPreferences(true, false, true, true, false)) {
            state.SkipWithError("no service");
            return;
        }
        for (int i = 0; i < n; ++i)
            world.AddServiceTodo(QStringLiteral("todo[title]=service%1&todo[priority]=3").arg(i));
        {
            CSyncRun first;
            if (first.Execute() != syncstatus::kDone)
                state.SkipWithError("first sync failed");
        }
        WriteSettingString(settings::SyncDate, QString());
        state.ResumeTiming();
        CSyncRun run;
        const int status = run.Execute();
        state.PauseTiming();
        if (status != syncstatus::kDone)
            state.SkipWithError("sync failed");
        state.ResumeTiming();
    }
    state.counters["pairs"] = n;
    state.counters["per_pair"] =
        benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_TodoSyncPairs)->Arg(2500)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
