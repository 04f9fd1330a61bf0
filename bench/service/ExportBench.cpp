// The event export of a large calendar over HTTP, at two sizes so that growth can be seen to be
// linear, the writer alone, and how fast other requests are answered while exports run.
#include <atomic>
#include <thread>

#include <benchmark/benchmark.h>

#include <httplib.h>

#include <QCoreApplication>

#include "service/ExportWriter.h"
#include "service/TamoService.h"

using namespace tamo::service;

namespace {

constexpr const char* kToken = "BENCHSESSION";

struct SBench {
    std::unique_ptr<CTamoService> service;
    std::int64_t small = 0;  // calendar of 10 000 events
    std::int64_t large = 0;  // calendar of 100 000 events
};

std::vector<SItem> MakeEvents(std::int64_t account, std::int64_t calendar, int count)
{
    static const char* const kRepeat[] = {"", "", "", "daily", "weekly", "mon_wed_fri", "monthly", "yearly"};
    std::vector<SItem> items;
    items.reserve(size_t(count));
    const QDate first(2007, 1, 1);
    for (int i = 0; i < count; ++i) {
        SItem e;
        e.accountId = account;
        e.calendarId = calendar;
        e.uid = "bench-" + std::to_string(calendar) + "-" + std::to_string(i) + "@calendar.tamo";
        e.title = "회의 " + std::to_string(i) + ", 3층; 대회의실";
        e.description = i % 3 == 0 ? "안건 하나\r\n안건 둘\\셋" : "";
        const QDate day = first.addDays(i % 730);
        e.allDay = i % 5 == 0;
        e.startAt = FormatStamp(day, e.allDay ? 0 : 9 * 3600 + (i % 16) * 1800);
        e.endAt = FormatStamp(day, e.allDay ? 0 : 10 * 3600 + (i % 16) * 1800);
        e.repeatType = kRepeat[i % 8];
        if (!e.repeatType.empty() && i % 2)
            e.repeatUntil = FormatDate(day.addDays(90));
        if (i % 4 == 0)
            e.alarmSeconds = 900;
        e.created = e.lastModified = "20071121T093000";
        items.push_back(std::move(e));
    }
    return items;
}

SBench& Bench()
{
    static SBench* bench = [] {
        auto* b = new SBench;
        SServiceOptions options;
        b->service = std::make_unique<CTamoService>(options);
        if (!b->service->Open() || !b->service->Start())
            std::abort();
        CServiceDatabase& db = b->service->Database();
        const std::int64_t account = *db.CreateAccount("bench", "bench");
        b->small = *db.CreateCalendar({0, account, "작은 캘린더", "#FF8000", 0});
        b->large = *db.CreateCalendar({0, account, "큰 캘린더", "#3366CC", 0});
        auto small = MakeEvents(account, b->small, 10000);
        auto large = MakeEvents(account, b->large, 100000);
        if (!db.InsertItems(small) || !db.InsertItems(large))
            std::abort();
        SSession session{kToken, account, "1", "1", b->service->Clock().NowEpoch() + 365 * 86400};
        (void)db.SaveSession(session);
        return b;
    }();
    return *bench;
}

httplib::Client Client()
{
    httplib::Client client("127.0.0.1", Bench().service->Port());
    client.set_default_headers({{"Cookie", std::string("HM_CU=") + kToken}});
    client.set_read_timeout(60, 0);
    return client;
}

void BM_ExportEvents(benchmark::State& state)
{
    const bool large = state.range(0) > 10000;
    const std::string path = "/sync/export_event?calendar=" + std::to_string(large ? Bench().large : Bench().small);
    httplib::Client client = Client();
    size_t bytes = 0;
    for (auto _ : state) {
        const auto res = client.Get(path.c_str());
        if (!res || res->status != 200) {
            state.SkipWithError("export failed");
            break;
        }
        bytes = res->body.size();
        benchmark::DoNotOptimize(res->body.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
BENCHMARK(BM_ExportEvents)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The writer alone, without database and transport.
void BM_WriteEvents(benchmark::State& state)
{
    const auto events = MakeEvents(1, 1, int(state.range(0)));
    for (auto _ : state) {
        std::string out;
        CExportWriter writer(out, "bench", "20071121T093000");
        writer.Begin();
        for (const SItem& e : events)
            writer.AppendEvent(e);
        writer.End();
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_WriteEvents)->Arg(100000)->Unit(benchmark::kMillisecond);

// A small request, with no other load and while two clients export 100 000 events back to back.
void BM_ServerTime(benchmark::State& state)
{
    std::atomic<bool> stop{false};
    std::vector<std::thread> load;
    for (int i = 0; i < state.range(0); ++i) {
        load.emplace_back([&stop] {
            httplib::Client client = Client();
            const std::string path = "/sync/export_event?calendar=" + std::to_string(Bench().large);
            while (!stop)
                (void)client.Get(path.c_str());
        });
    }
    if (!load.empty())
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    httplib::Client client = Client();
    for (auto _ : state) {
        const auto res = client.Get("/sync/server_time");
        if (!res || res->status != 200) {
            state.SkipWithError("request failed");
            break;
        }
    }
    stop = true;
    for (auto& t : load)
        t.join();
}
BENCHMARK(BM_ServerTime)->Arg(0)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
