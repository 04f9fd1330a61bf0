// Parses any bytes as a document, walks every element reading everything a caller can read,
// then edits the document and walks it again.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "base/MarkupSTL.h"

namespace {

void Touch(const std::string& text)
{
    volatile size_t sink = text.size();
    (void)sink;
}

void ReadAll(CMarkupSTL& xml)
{
    xml.ResetPos();
    if (!xml.FindElem())
        return;
    int nSteps = 0;
    for (;;) {
        if (++nSteps > 100000)
            return;
        Touch(xml.GetTagName());
        Touch(xml.GetData());
        Touch(xml.GetAttrib("a"));
        Touch(xml.GetAttrib("encoding"));
        for (int n = 0; n < 3; ++n)
            Touch(xml.GetAttribName(n));
        int nStart = 0, nEnd = 0;
        xml.GetOffsets(nStart, nEnd);
        if (xml.FindChildElem()) {
            Touch(xml.GetChildSubDoc());
            Touch(xml.GetChildData());
            xml.ResetChildPos();
        }
        if (xml.IntoElem())
            continue;
        bool bNext = xml.FindElem();
        while (!bNext && xml.OutOfElem())
            bNext = xml.FindElem();
        if (!bNext)
            return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    CMarkupSTL xml;
    xml.SetDoc(input);
    ReadAll(xml);

    // Paths taken from the input itself, up to its first line break.
    const std::string path(input.substr(0, std::min(input.find('\n'), size_t(64))));
    xml.ResetPos();
    xml.FindElem(path.c_str());
    xml.FindChildElem(path.c_str());
    Touch(xml.FindGetData(path.c_str()));

    // Edits at whatever the cursor reached, then the same reads again.
    xml.ResetPos();
    if (xml.FindElem() && xml.FindChildElem()) {
        xml.SetChildAttrib("a", "v\"<&");
        xml.AddChildElem("n", "t&#1;");
        xml.InsertChildElem("m");
        xml.IntoElem();
        xml.SetData("d]]>", true);
        xml.AddAttrib("b", 7);
        xml.RemoveAttrib("a");
        xml.OutOfElem();
        xml.AddChildSubDoc(path.c_str());
        xml.RemoveChildElem();
        ReadAll(xml);
    }
    return 0;
}
