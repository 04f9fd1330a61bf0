// Parse plus a full walk (every element's name, text and one attribute) of the same documents
// with CMarkupSTL and with pugixml: a small service answer and a 10 MB document.
#include <benchmark/benchmark.h>

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

void BM_Markup(benchmark::State& state, const std::string& (*document)())
{
    const std::string& doc = document();
    for (auto _ : state)
        benchmark::DoNotOptimize(WalkMarkup(doc));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(doc.size()));
}

void BM_Pugi(benchmark::State& state, const std::string& (*document)())
{
    const std::string& doc = document();
    for (auto _ : state)
        benchmark::DoNotOptimize(WalkPugi(doc));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(doc.size()));
}

BENCHMARK_CAPTURE(BM_Markup, small_answer, SmallAnswer);
BENCHMARK_CAPTURE(BM_Pugi, small_answer, SmallAnswer);
BENCHMARK_CAPTURE(BM_Markup, document_10mb, LargeDocument)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Pugi, document_10mb, LargeDocument)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
