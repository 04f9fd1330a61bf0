// The export parser on large to-do exports, and pairing service items with Outlook items by UID.
// Both must grow linearly: compare the per-item figures of the two sizes.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <QString>

#include "syncengine/MAPISync.h"

namespace {

QString MakeExport(int items)
{
    QString text;
    text.reserve(static_cast<qsizetype>(items) * 330);
    text += QLatin1String("BEGIN:VCALENDAR\r\n");
    for (int i = 0; i < items; ++i) {
        text += QStringLiteral(
                    "BEGIN:VTODO\r\nUID:todo-%1@calendar.example\r\nSUMMARY:Task number %1\\, with a comma\r\n"
                    "DESCRIPTION:First line\\nsecond line C:\\\\new\r\n and a continuation\r\n"
                    "DUE;TZID=Asia/Seoul:20071121T093000\r\nPRIORITY:3\r\nX-ID:%1\r\n"
                    "LAST-MODIFIED;TZID=Asia/Seoul:20071120T101500\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
                    "TRIGGER:-PT900S\r\nEND:VALARM\r\nEND:VTODO\r\n")
                    .arg(i);
    }
    text += QLatin1String("END:VCALENDAR\r\n");
    return text;
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

double MaxRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void BM_ParseTodoExport(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0));
    const QString text = MakeExport(items);
    std::size_t retained = 0;
    for (auto _ : state) {
        const std::size_t before = HeapInUse();
        auto store = std::make_unique<CSyncParser>();
        store->ParseTodos(text);
        retained = HeapInUse() - before;
        if (store->Count(CSyncParser::ServiceTodos) != static_cast<std::size_t>(items))
            state.SkipWithError("items lost");
        benchmark::DoNotOptimize(store.get());
    }
    state.SetItemsProcessed(state.iterations() * items);
    state.SetBytesProcessed(state.iterations() * text.size() * 2);
    state.counters["store_bytes_per_item"] = static_cast<double>(retained) / items;
    state.counters["export_MiB"] = static_cast<double>(text.size()) * 2 / (1024.0 * 1024.0);
    state.counters["max_rss_MiB"] = MaxRssMiB();
}
BENCHMARK(BM_ParseTodoExport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// n service to-dos paired with n Outlook to-dos: one IsUID per service item.
void BM_IsUIDPairing(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    CMAPISync engine;
    engine.m_pParser = std::make_shared<CSyncParser>();
    CSyncParser& store = *engine.m_pParser;
    std::vector<QString> uids;
    for (int i = 0; i < n; ++i) {
        // Outlook items in reverse order so that a walk would have to search.
        const QString uid = QStringLiteral("todo-%1@calendar.example").arg(n - 1 - i);
        store.NewItem(CSyncParser::OutlookTodos).SetValue(u"UID", uid);
        store.AppendCurrent(CSyncParser::OutlookTodos);
        uids.push_back(QStringLiteral("todo-%1@calendar.example").arg(i));
    }
    for (auto _ : state) {
        int found = 0;
        for (const QString& uid : uids)
            found += engine.IsUID(uid, true) ? 1 : 0;
        if (found != n)
            state.SkipWithError("lookups failed");
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_IsUIDPairing)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
