// Encoding any bytes gives ASCII that decodes back to the bytes (up to the first zero).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QString>

#include "base/URLEncoder.h"

namespace {

void CheckRoundTrip(const QString& encoded, QByteArrayView original)
{
    QByteArray ascii;
    for (const QChar c : encoded) {
        if (c.unicode() >= 0x80)
            std::abort();
        ascii += c.unicode() == '+' ? ' ' : char(c.unicode());
    }
    const qsizetype zero = original.indexOf('\0');
    const QByteArrayView expected = zero >= 0 ? original.first(zero) : original;
    if (QByteArray::fromPercentEncoding(ascii) != expected)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    CheckRoundTrip(CURLEncoder::Encode(bytes, true), bytes);
    CheckRoundTrip(CURLEncoder::Encode(bytes, false), bytes);
    const QString wide = QString::fromUtf16(reinterpret_cast<const char16_t*>(data), qsizetype(size / 2));
    (void)CURLEncoder::EncodeUTF8(wide, true);
    return 0;
}
