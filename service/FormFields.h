#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tamo::service {

// The fields of a form body or of a URL query ("a=1&b=2"), decoded, in their order. Empty pairs
// (as in "a=1&&b=2") are skipped; a name may repeat. "+" is a blank; a "%" that does not start
// two hexadecimal digits stays as it is.
class CFormFields {
public:
    CFormFields() = default;
    static CFormFields Parse(std::string_view encoded);
    // The query of a request target ("/path?query"); empty fields when there is none.
    static CFormFields FromTarget(std::string_view target);

    [[nodiscard]] bool Has(std::string_view name) const;
    // The first value of the name.
    [[nodiscard]] std::optional<std::string> Get(std::string_view name) const;
    std::string Value(std::string_view name) const { return Get(name).value_or(std::string()); }
    const std::vector<std::pair<std::string, std::string>>& All() const { return m_fields; }

    static std::string Decode(std::string_view text);

private:
    std::vector<std::pair<std::string, std::string>> m_fields;
};

// A decimal integer (optional minus sign, digits only) within [min, max].
[[nodiscard]] std::optional<std::int64_t> ParseDecimal(std::string_view text, std::int64_t min, std::int64_t max);

// True when the bytes are well-formed UTF-8 without NUL characters.
[[nodiscard]] bool IsCleanUtf8(std::string_view text);

}  // namespace tamo::service
