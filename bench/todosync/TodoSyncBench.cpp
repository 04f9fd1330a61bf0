// Whole to-do syncs against their floors: N items only on the service and N only in Outlook.
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "TodoSyncWorld.h"
#include "base/ServiceEndpoints.h"
#include "base/Settings.h"
#include "base/URLEncoder.h"
#include "platform/mapi/Mapi.h"
#include "platform/mapi/MapiStoreFile.h"
#include "syncengine/EngineHttp.h"
#include "syncengine/MAPISync.h"
#include "syncfloor/SyncFloor.h"
#include "syncui/SyncRun.h"

using namespace tamo::test;

namespace {

// Seconds of one whole sync run, with or without its journal; -1 when it does not end done.
double TimedRun(bool journal)
{
    QElapsedTimer timer;
    timer.start();
    CSyncRun run;
    if (!journal)
        run.SetJournalPath(QString());
    return run.Execute() == syncstatus::kDone ? timer.nsecsElapsed() / 1e9 : -1;
}

// First run with N to-dos only on the service and N tasks only in Outlook, then a second run with
// nothing changed; each beside its floor (see bench/syncfloor), measured in the same iteration.
// The second argument: 1 with the sync journal, as the program runs, 0 without it.
void BM_TodoSync(benchmark::State& state)
{
    const int n = int(state.range(0));
    const bool journal = state.range(1) != 0;
    double first = 0, second = 0, postFloor = 0, saveFloor = 0, readFloor = 0;
    for (auto _ : state) {
        TodoSyncWorld world;
        if (!world.ok() || !world.SetPreferences(true, false, true, true, false)) {
            state.SkipWithError("no service");
            return;
        }
        for (int i = 0; i < n; ++i)
            world.AddServiceTodo(QStringLiteral("todo[title]=service%1&todo[priority]=%2").arg(i).arg(1 + i % 5));
        syncfloor::SeedOutlookTasks(n);
        first = TimedRun(journal);
        second = TimedRun(journal);
        readFloor = syncfloor::ReadBoth(enginehttp::CalendarUrl(endpoints::kExportTodo), true, PR_IPM_TASK_ENTRYID);

        // The floor of the first run: the posts and saves the sync itself makes, raw. Each Outlook
        // task is posted to the service; each service to-do is saved into a fresh store and then
        // re-keyed on the service to the task's identity (a second post).
        const QString todos = enginehttp::CalendarUrl(endpoints::kTodos);
        std::vector<syncfloor::FormPost> creations;
        for (int i = 0; i < n; ++i)
            creations.push_back({todos, QStringLiteral("todo[title]=%1&todo[uid]=%2_%3@floor.tamo&todo[priority]=%4")
                                            .arg(CURLEncoder::EncodeUTF8(QStringLiteral("아웃룩 할일 %1").arg(i), true))
                                            .arg(i, 56, 16, QLatin1Char('0'))
                                            .arg(world.PcKey())
                                            .arg(i % 3 == 0 ? 1 : i % 3 == 2 ? 5 : 3)
                                            .toUtf8()});
        postFloor = syncfloor::PostForms(creations);
        std::vector<syncfloor::FormPost> rekeys;
        for (const ServiceTodo& todo : world.ServiceTodos())
            if (todo.uid.endsWith(QLatin1String("@floor.tamo")))
                rekeys.push_back({todos + QString::number(todo.id),
                                  QStringLiteral("todo[uid]=%1_%2@floor.tamo&_method=put")
                                      .arg(todo.id + n, 56, 16, QLatin1Char('0'))
                                      .arg(world.PcKey())
                                      .toUtf8()});
        const double rekeyFloor = syncfloor::PostForms(rekeys);
        postFloor = postFloor < 0 || rekeyFloor < 0 || int(rekeys.size()) != n ? -1 : postFloor + rekeyFloor;
        const std::vector<syncfloor::RawProp> props = {
            {PROPSET_NONE, PR_MESSAGE_CLASS_W},     {PROPSET_NONE, PR_SUBJECT_W},
            {PROPSET_NONE, PR_BODY_W},              {PROPSET_NONE, PR_IMPORTANCE},
            {PROPSET_TASK, PROP_TAG(PT_BOOLEAN, 0x811C)}, {PROPSET_TASK, PROP_TAG(PT_UNICODE, 0x81F8)}};
        static const QString taskClass = QStringLiteral("IPM.Task");
        static const QString empty = QStringLiteral("");
        QString subject, origin;
        saveFloor = syncfloor::SaveMessages(
            tamo::mapi::DefaultStorePath() + ".floor", PR_IPM_TASK_ENTRYID, props, n,
            [&](int i, std::vector<SPropValue>& v) {
                subject = QStringLiteral("service%1").arg(i);
                origin = QStringLiteral("%1@calendar.tamo").arg(i);
                v[0].Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(taskClass.utf16()));
                v[1].Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(subject.utf16()));
                v[2].Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(empty.utf16()));
                v[3].Value.l = 1;
                v[4].Value.b = 0;
                v[5].Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(origin.utf16()));
                return v.size();
            });
        if (first < 0 || second < 0 || readFloor < 0 || postFloor < 0 || saveFloor < 0)
            state.SkipWithError("a run or its floor failed");
        state.SetIterationTime(first);
    }
    const double floor = postFloor + saveFloor;
    state.counters["first_s"] = first;
    state.counters["floor_post_s"] = postFloor;
    state.counters["floor_save_s"] = saveFloor;
    state.counters["first_ratio"] = floor > 0 ? first / floor : 0;
    state.counters["second_us_item"] = second * 1e6 / (2.0 * n);
    state.counters["floor_read_us_item"] = readFloor * 1e6 / (2.0 * n);
    state.counters["second_ratio"] = readFloor > 0 ? second / readFloor : 0;
}
BENCHMARK(BM_TodoSync)
    ->ArgNames({"each_way", "journal"})
    ->ArgsProduct({{2000, 10000}, {1, 0}})
    ->Unit(benchmark::kSecond)
    ->Iterations(1)
    ->UseManualTime();

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
