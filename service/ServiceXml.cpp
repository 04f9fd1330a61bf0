#include "service/ServiceXml.h"

#include <cstdio>

namespace tamo::service {

void AppendXmlText(std::string& out, std::string_view text)
{
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                out += ' ';
            else
                out += c;
        }
    }
}

std::string XmlText(std::string_view text)
{
    std::string out;
    AppendXmlText(out, text);
    return out;
}

void AppendXmlElement(std::string& out, std::string_view name, std::string_view text)
{
    out += '<';
    out += name;
    out += '>';
    AppendXmlText(out, text);
    out += "</";
    out += name;
    out += '>';
}

std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", unsigned(c));
                out += buffer;
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

}  // namespace tamo::service
