#include "service/FormFields.h"

namespace tamo::service {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string CFormFields::Decode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+') {
            out += ' ';
        } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            out += char(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

CFormFields CFormFields::Parse(std::string_view encoded)
{
    CFormFields fields;
    size_t start = 0;
    while (start <= encoded.size()) {
        size_t end = encoded.find('&', start);
        if (end == std::string_view::npos)
            end = encoded.size();
        const std::string_view pair = encoded.substr(start, end - start);
        if (!pair.empty()) {
            const size_t eq = pair.find('=');
            if (eq == std::string_view::npos)
                fields.m_fields.emplace_back(Decode(pair), std::string());
            else
                fields.m_fields.emplace_back(Decode(pair.substr(0, eq)), Decode(pair.substr(eq + 1)));
        }
        start = end + 1;
    }
    return fields;
}

CFormFields CFormFields::FromTarget(std::string_view target)
{
    const size_t q = target.find('?');
    if (q == std::string_view::npos)
        return {};
    return Parse(target.substr(q + 1));
}

bool CFormFields::Has(std::string_view name) const { return Get(name).has_value(); }

std::optional<std::string> CFormFields::Get(std::string_view name) const
{
    for (const auto& [key, value] : m_fields)
        if (key == name)
            return value;
    return std::nullopt;
}

std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t min, std::int64_t max)
{
    const bool negative = !text.empty() && text[0] == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 17)
        return std::nullopt;
    std::int64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    value = negative ? -value : value;
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

bool IsCleanUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == 0)
            return false;
        int extra = 0;
        unsigned min = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            extra = 1;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            extra = 2;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            extra = 3;
            min = 0x10000;
        } else {
            return false;
        }
        if (i + size_t(extra) >= text.size())
            return false;
        unsigned code = c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + size_t(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += size_t(extra) + 1;
    }
    return true;
}

}  // namespace tamo::service
