#pragma once

#include <string>
#include <string_view>

namespace tamo::service {

// Appends text as XML character data or attribute value. Characters that XML 1.0 can't carry
// (control characters other than tab, line feed and carriage return) become blanks.
void AppendXmlText(std::string& out, std::string_view text);
std::string XmlText(std::string_view text);

// "<name>text</name>"
void AppendXmlElement(std::string& out, std::string_view name, std::string_view text);

inline constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// A JSON string literal with its quotes.
std::string JsonString(std::string_view text);

}  // namespace tamo::service
