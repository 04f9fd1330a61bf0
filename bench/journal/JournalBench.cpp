// What the sync journal costs a first sync: the same first sync of N to-dos (half only on the
// service, half only in Outlook) with the journal and without it, twice each in fresh worlds, and
// the journal's own writes for as many items replayed alone.
#include <benchmark/benchmark.h>

#include <ctime>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "TodoSyncWorld.h"
#include "syncfloor/SyncFloor.h"
#include "platform/mapi/Mapi.h"
#include "syncengine/MAPISync.h"
#include "syncengine/SyncJournal.h"
#include "syncui/SyncRun.h"

using namespace tamo::test;

namespace {

// Seconds of processor time of this process (the service runs in it too): on two shared cores
// it varies far less than the wall clock.
double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

struct Timing {
    double wall = -1;
    double cpu = -1;
};

// A first sync of `items` to-dos; negative times when it fails.
Timing FirstSync(int items, bool journal)
{
    TodoSyncWorld world;
    if (!world.ok() || !world.SetPreferences(true, false, true, true, false))
        return {};
    for (int i = 0; i < items / 2; ++i)
        world.AddServiceTodo(QStringLiteral("todo[title]=service%1&todo[priority]=%2").arg(i).arg(1 + i % 5));
    syncfloor::SeedOutlookTasks(items - items / 2);
    QElapsedTimer timer;
    timer.start();
    const double cpu = CpuSeconds();
    CSyncRun run;
    if (!journal)
        run.SetJournalPath(QString());
    if (run.Execute() != syncstatus::kDone)
        return {};
    return {timer.nsecsElapsed() / 1e9, CpuSeconds() - cpu};
}

// The journal's part alone: an intent and its done mark per item, with values of a to-do's size.
double JournalOnly(int items)
{
    QTemporaryDir dir;
    CSyncJournal journal;
    if (!journal.Open(dir.filePath("sync-journal.sqlite")))
        return -1;
    const double cpu = CpuSeconds();
    journal.BeginRun(SyncRunKind::Sync, QStringLiteral("demo"), 1);
    for (int i = 0; i < items; ++i) {
        SSyncWrite w;
        w.side = i % 2 ? SyncSide::Outlook : SyncSide::Service;
        w.uid = QStringLiteral("%1_0123456789abcdef@calendar.tamo").arg(i, 56, 16, QLatin1Char('0'));
        w.record = QString::number(i);
        w.summary = QStringLiteral("할일 %1").arg(i);
        w.after = QStringLiteral(R"({"SUMMARY":"할일 %1","PRIORITY":"3","UID":"%2","LAST-MODIFIED;TZID=Asia/Seoul":)"
                                 R"("20261211T120000"})")
                      .arg(i)
                      .arg(w.uid);
        journal.BeginWrite(w);
        journal.EndWrite(true, w.side == SyncSide::Outlook ? QStringLiteral("00000000ABCDEF%1").arg(i) : QString(),
                         QString());
    }
    journal.EndRun(syncstatus::kDone);
    return CpuSeconds() - cpu;
}

void BM_FirstSyncJournalCost(benchmark::State& state)
{
    const int items = int(state.range(0));
    Timing off{0, 0}, on{0, 0};
    double alone = 0;
    for (auto _ : state) {
        // Off, on, on, off: a run that goes second (the first world's files still being written
        // back, say) weighs on both sides alike.
        bool failed = false;
        for (const bool journal : {false, true, true, false}) {
            const Timing t = FirstSync(items, journal);
            failed = failed || t.wall <= 0;
            Timing& sum = journal ? on : off;
            sum.wall += t.wall / 2;
            sum.cpu += t.cpu / 2;
        }
        alone = JournalOnly(items);
        if (failed || alone < 0)
            state.SkipWithError("a run failed");
        state.SetIterationTime(on.wall);
    }
    state.counters["off_s"] = off.wall;
    state.counters["on_s"] = on.wall;
    state.counters["wall_on_over_off"] = off.wall > 0 ? on.wall / off.wall : 0;
    state.counters["cpu_on_over_off"] = off.cpu > 0 ? on.cpu / off.cpu : 0;
    state.counters["journal_alone_cpu_s"] = alone;
    state.counters["journal_share_cpu"] = off.cpu > 0 ? alone / off.cpu : 0;
}
BENCHMARK(BM_FirstSyncJournalCost)->ArgName("items")->Arg(2000)->Arg(10000)->Unit(benchmark::kSecond)->Iterations(1)->UseManualTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
