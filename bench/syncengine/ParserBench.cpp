// The export parser on large to-do exports, the event export against libical on the same text,
// and pairing service items with Outlook items by UID. All must grow linearly: compare the
// per-item figures of the two sizes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <malloc.h>
#include <sys/resource.h>

#include <QString>

#ifdef TAMO_BENCH_LIBICAL
#include <libical/ical.h>
#endif

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

// An event export as the service writes it: Hangul titles, a description over two lines, every
// fifth event repeating, every seventh all day, alarms on half of them.
QString MakeEventExport(int items)
{
    QString text;
    text.reserve(static_cast<qsizetype>(items) * 520);
    text += QLatin1String("BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tamo//Tamo Calendar//KO\r\n"
                          "X-WR-TIMEZONE:Asia/Seoul\r\n");
    for (int i = 0; i < items; ++i) {
        text += QStringLiteral("BEGIN:VEVENT\r\nUID:event-%1@calendar.example\r\nSUMMARY:주간 회의 %1\\, 3층\r\n"
                               "DESCRIPTION:안건 정리\\n자료 C:\\\\docs\r\n 이어지는 줄\r\nSTATUS:CONFIRMED\r\n"
                               "ORGANIZER:user@calendar.example\r\nCATEGORY:1042\r\n")
                    .arg(i);
        if (i % 7 == 0)
            text += QLatin1String("ALLDAY:true\r\nDTSTART;VALUE=DATE:20071121\r\nDTEND;VALUE=DATE:20071122\r\n");
        else
            text += QLatin1String("ALLDAY:false\r\nDTSTART;TZID=Asia/Seoul:20071121T093000\r\n"
                                  "DTEND;TZID=Asia/Seoul:20071121T103000\r\n");
        if (i % 5 == 0)
            text += QLatin1String("RRULE:FREQ=WEEKLY;BYDAY=MO\\,WE\\,FR;UNTIL=20081231\r\n");
        text += QStringLiteral("CREATED;TZID=Asia/Seoul:20071101T080000\r\nDTSTAMP;TZID=Asia/Seoul:20071120T101500\r\n"
                               "SEQ:2\r\nX-ID:%1\r\nLAST-MODIFIED;TZID=Asia/Seoul:20071120T101500\r\n")
                    .arg(i + 1);
        if (i % 2 == 0)
            text += QLatin1String("BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT600S\r\nEND:VALARM\r\n");
        text += QLatin1String("END:VEVENT\r\n");
    }
    text += QLatin1String("END:VCALENDAR\r\n");
    return text;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The event export read by the engine's parser and, in the same iterations, by libical from the
// same text in UTF-8 (libical reads bytes; the engine reads the text as ReadAll hands it over).
// The reported time is the engine's; "with_utf16" adds the conversion from the UTF-8 bytes.
void BM_ParseEventExport(benchmark::State& state)
{
    const int items = static_cast<int>(state.range(0));
    const QString text = MakeEventExport(items);
    const QByteArray utf8 = text.toUtf8();
    double oursSeconds = 0;
    double withUtf16Seconds = 0;
    [[maybe_unused]] double libicalSeconds = 0;
    auto ours = [&] {
        const auto start = std::chrono::steady_clock::now();
        {
            auto store = std::make_unique<CSyncParser>();
            store->ParseEvents(text);
            if (store->Count(CSyncParser::ServiceEvents) != static_cast<std::size_t>(items))
                state.SkipWithError("items lost");
            benchmark::DoNotOptimize(store.get());
        }
        const double seconds = Seconds(start);
        oursSeconds += seconds;
        state.SetIterationTime(seconds);
    };
    auto withUtf16 = [&] {
        const auto start = std::chrono::steady_clock::now();
        {
            const QString converted = QString::fromUtf8(utf8);
            auto store = std::make_unique<CSyncParser>();
            store->ParseEvents(converted);
            benchmark::DoNotOptimize(store.get());
        }
        withUtf16Seconds += Seconds(start);
    };
    auto libical = [&] {
#ifdef TAMO_BENCH_LIBICAL
        const auto start = std::chrono::steady_clock::now();
        icalcomponent* calendar = icalparser_parse_string(utf8.constData());
        if (!calendar || icalcomponent_count_components(calendar, ICAL_VEVENT_COMPONENT) != items)
            state.SkipWithError("libical lost items");
        if (calendar)
            icalcomponent_free(calendar);
        libicalSeconds += Seconds(start);
#endif
    };
    // The order turns with each iteration: whichever runs first after another's memory was given
    // back pays for fresh pages.
    int turn = 0;
    for (auto _ : state) {
        switch (turn++ % 3) {
        case 0: ours(), withUtf16(), libical(); break;
        case 1: withUtf16(), libical(), ours(); break;
        default: libical(), ours(), withUtf16(); break;
        }
    }
    const double n = static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * items);
    state.counters["export_MiB"] = static_cast<double>(utf8.size()) / (1024.0 * 1024.0);
    state.counters["ours_us_per_item"] = oursSeconds / n / items * 1e6;
    state.counters["with_utf16_us_per_item"] = withUtf16Seconds / n / items * 1e6;
#ifdef TAMO_BENCH_LIBICAL
    state.counters["libical_us_per_item"] = libicalSeconds / n / items * 1e6;
    state.counters["ratio_to_libical"] = oursSeconds / libicalSeconds;
    state.counters["with_utf16_ratio_to_libical"] = withUtf16Seconds / libicalSeconds;
#endif
}
BENCHMARK(BM_ParseEventExport)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseManualTime()->MinTime(3.0);

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
