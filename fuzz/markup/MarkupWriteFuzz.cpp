// Builds a document by a sequence of writes taken from the input and, after each one, checks
// that the element table still describes the text exactly: everything readable must equal
// what a fresh parse of the same text gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "base/MarkupSTL.h"

namespace {

void Walk(CMarkupSTL& xml, std::string& out, int nDepth)
{
    int nStart = 0, nEnd = 0;
    xml.GetOffsets(nStart, nEnd);
    out += "<" + xml.GetTagName() + "@" + std::to_string(nStart) + "-" + std::to_string(nEnd);
    for (int n = 0; n < 8; ++n) {
        const std::string name = xml.GetAttribName(n);
        if (name.empty())
            break;
        out += " " + name + "=" + xml.GetAttrib(name.c_str());
    }
    out += ">" + xml.GetData();
    if (nDepth > 200)
        return;
    while (xml.FindChildElem()) {
        out += "[" + xml.GetChildSubDoc() + "]";
        xml.IntoElem();
        Walk(xml, out, nDepth + 1);
        xml.OutOfElem();
    }
}

std::string Signature(CMarkupSTL xml)
{
    xml.ResetPos();
    if (!xml.FindElem())
        return "no root";
    std::string out;
    Walk(xml, out, 0);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const char* const kNames[] = {"a", "b", "item", "x-1"};
    CMarkupSTL xml;
    // No encoding in the prolog: a document built by writes is read as 8-bit text until it is
    // parsed, and the fresh parse must read it the same way.
    xml.SetVersion("<?xml version=\"1.0\"?>\r\n");
    xml.AddElem("root");
    size_t i = 0;
    while (i + 2 <= size) {
        const unsigned op = data[i] % 16;
        const char* name = kNames[data[i + 1] % 4];
        const size_t nValue = std::min<size_t>(data[i + 1] / 4, size - i - 2);
        std::string value(reinterpret_cast<const char*>(data + i + 2), nValue);
        value = value.c_str();  // texts end at a zero byte
        i += 2 + nValue;
        const bool bFlag = data[i - 1 - nValue] & 0x80;
        switch (op) {
        case 0: xml.AddChildElem(name, value.c_str()); break;
        case 1: xml.InsertChildElem(name, value.c_str()); break;
        case 2: xml.AddElem(name, value.c_str()); break;
        case 3: xml.SetAttrib(name, value.c_str()); break;
        case 4: xml.SetChildAttrib(name, value.c_str()); break;
        case 5: xml.RemoveAttrib(name); break;
        case 6: xml.RemoveChildAttrib(name); break;
        case 7: xml.SetData(value.c_str(), bFlag); break;
        case 8: xml.SetChildData(value.c_str(), bFlag); break;
        case 9: xml.RemoveChildElem(); break;
        case 10: xml.IntoElem(); break;
        case 11: xml.OutOfElem(); break;
        case 12: if (!xml.FindChildElem()) xml.ResetChildPos(); break;
        case 13: xml.AddChildSubDoc(value.c_str()); break;
        case 14: xml.InsertChildSubDoc(value.c_str()); break;
        case 15: if (xml.GetTagName() != "root") xml.RemoveElem(); break;
        }
        CMarkupSTL reparsed;
        if (!reparsed.SetDoc(xml.GetDoc().c_str()) || Signature(xml) != Signature(reparsed))
            std::abort();
        if (xml.GetTagName().empty()) {
            xml.ResetPos();
            xml.FindElem();
        }
    }
    return 0;
}
