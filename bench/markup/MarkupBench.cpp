// Parse plus a full walk (every element's name, text and one attribute) of the same documents
// with CMarkupSTL and with pugixml, both in the same iterations: the service's calendar list and
// preference answers, a small answer with entities, CDATA and attributes, and a 10 MB document.
// The ratio counter is CMarkupSTL's time over pugixml's.
#include <benchmark/benchmark.h>

#include <chrono>
#include <pugixml.hpp>
#include <string>

#include "base/MarkupSTL.h"

namespace {

std::string Calendar(int n)
{
    return "  <calendar id=\"" + std::to_string(n) + "\" default=\"" + (n % 2 ? "true" : "false") +
           "\">\r\n    <name>캘린더 &lt;" + std::to_string(n) +
           "&gt;</name>\r\n    <color>#FB8102</color>\r\n    <desc><![CDATA[<b>memo</b>]]></desc>\r\n"
           "    <alarm minutes=\"10\" type=\"popup\"/>\r\n  </calendar>\r\n";
}

std::string MakeDocument(size_t nBytes)
{
    std::string doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<response>\r\n";
    for (int n = 0; doc.size() < nBytes; ++n)
        doc += Calendar(n);
    doc += "</response>\r\n";
    return doc;
}

// The calendar list as the service sends it: five calendars.
const std::string& CalendarList()
{
    static const std::string doc = [] {
        std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<calendars>\n";
        const char* names[] = {"내 캘린더", "회사 일정", "가족", "생일 &amp; 기념일", "운동"};
        for (int n = 0; n < 5; ++n)
            text += "<calendar><service-type>" + std::to_string(n == 3 ? 1 : 0) + "</service-type><name>" +
                    names[n] + "</name><id>" + std::to_string(1042 + n) + "</id><color>#FB810" +
                    std::to_string(n) + "</color></calendar>\n";
        return text + "</calendars>\n";
    }();
    return doc;
}

// The sync preferences as the service sends them.
const std::string& Preference()
{
    static const std::string doc =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<preference>\n<sync-range>30</sync-range>"
        "<sync-event-check>true</sync-event-check><sync-todo-check>true</sync-todo-check>"
        "<sync-todo-complete>false</sync-todo-complete><sync-todo-sub>false</sync-todo-sub>"
        "<sync-conflict>true</sync-conflict><sync-category-id>1042</sync-category-id>"
        "<sync-event-adv-check>false</sync-event-adv-check><sync-event2-check>true</sync-event2-check>"
        "\n</preference>\n";
    return doc;
}

const std::string& SmallAnswer()
{
    static const std::string doc = MakeDocument(1500);
    return doc;
}

const std::string& LargeDocument()
{
    static const std::string doc = MakeDocument(10 * 1024 * 1024);
    return doc;
}

size_t WalkMarkup(const std::string& doc)
{
    CMarkupSTL xml;
    if (!xml.SetDoc(doc))
        return 0;
    size_t nTotal = 0;
    xml.FindElem();
    for (;;) {
        nTotal += xml.GetTagName().size() + xml.GetData().size() + xml.GetAttrib("id").size();
        if (xml.IntoElem())
            continue;
        bool bNext = xml.FindElem();
        while (!bNext && xml.OutOfElem())
            bNext = xml.FindElem();
        if (!bNext)
            return nTotal;
    }
}

size_t WalkPugi(const std::string& doc)
{
    pugi::xml_document xml;
    if (!xml.load_buffer(doc.data(), doc.size()))
        return 0;
    size_t nTotal = 0;
    struct Walker : pugi::xml_tree_walker {
        size_t* pTotal;
        bool for_each(pugi::xml_node& node) override
        {
            if (node.type() == pugi::node_element) {
                // Copies into strings as CMarkupSTL hands them out.
                *pTotal += std::string(node.name()).size() + std::string(node.child_value()).size() +
                           std::string(node.attribute("id").value()).size();
            }
            return true;
        }
    } walker;
    walker.pTotal = &nTotal;
    xml.traverse(walker);
    return nTotal;
}

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// Each iteration walks the document once with each; the reported time is CMarkupSTL's.
void BM_MarkupVsPugi(benchmark::State& state, const std::string& (*document)())
{
    const std::string& doc = document();
    double markupSeconds = 0;
    double pugiSeconds = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(WalkPugi(doc));
        pugiSeconds += Seconds(start);
        start = std::chrono::steady_clock::now();
        benchmark::DoNotOptimize(WalkMarkup(doc));
        const double seconds = Seconds(start);
        markupSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    const double walks = double(state.iterations());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(doc.size()));
    state.counters["bytes"] = double(doc.size());
    state.counters["markup_us"] = markupSeconds / walks * 1e6;
    state.counters["pugi_us"] = pugiSeconds / walks * 1e6;
    state.counters["ratio_to_pugi"] = pugiSeconds > 0 ? markupSeconds / pugiSeconds : 0;
}

BENCHMARK_CAPTURE(BM_MarkupVsPugi, calendar_list, CalendarList)->UseManualTime();
BENCHMARK_CAPTURE(BM_MarkupVsPugi, preference, Preference)->UseManualTime();
BENCHMARK_CAPTURE(BM_MarkupVsPugi, small_answer, SmallAnswer)->UseManualTime();
BENCHMARK_CAPTURE(BM_MarkupVsPugi, document_10mb, LargeDocument)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
