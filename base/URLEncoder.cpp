#include "base/URLEncoder.h"

#include "platform/TextCodec.h"

namespace {

// Classified by hand rather than with <cctype>, so that the locale can never keep a byte
// above 0x7F.
bool IsKept(unsigned char c)
{
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
        return true;
    switch (c) {
    case '-': case '_': case '.': case '!': case '~': case '*': case '\'': case '(': case ')':
        return true;
    default:
        return false;
    }
}

}  // namespace

QString CURLEncoder::Encode(const char* pszText, bool bLowerCase)
{
    if (!pszText)
        return {};
    return Encode(QByteArrayView(pszText), bLowerCase);
}

QString CURLEncoder::Encode(QByteArrayView text, bool bLowerCase)
{
    static constexpr char kLower[] = "0123456789abcdef";
    static constexpr char kUpper[] = "0123456789ABCDEF";
    const char* digits = bLowerCase ? kLower : kUpper;

    QString result;
    result.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == 0)
            break;
        if (IsKept(c)) {
            result.append(QLatin1Char(ch));
        } else if (c == ' ') {
            result.append(QLatin1Char('+'));
        } else {
            result.append(QLatin1Char('%'));
            result.append(QLatin1Char(digits[c >> 4]));
            result.append(QLatin1Char(digits[c & 0x0F]));
        }
    }
    return result;
}

QString CURLEncoder::EncodeUTF8(QStringView text, bool bLowerCase)
{
    const qsizetype zero = text.indexOf(QChar(0));
    if (zero >= 0)
        text = text.first(zero);
    const QByteArray utf8 = platform::textcodec::FromUnicode(CP_UTF8, text);
    return Encode(QByteArrayView(utf8), bLowerCase);
}
