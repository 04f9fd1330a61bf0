#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

#include "platform/WinTypes.h"

namespace platform::textcodec {

namespace {

const char* IconvName(unsigned codePage)
{
    switch (codePage) {
    case CP_UTF7:
        return "UTF-7";
    case CP_KOREAN:
        return "CP949";
    default:
        return nullptr;
    }
}

// One iconv conversion with a replacement for every sequence it can't take.
// fromStep is the size of one input unit to skip on an invalid sequence (2: UTF-16LE input).
QByteArray Convert(const char* from, const char* to, QByteArrayView input, size_t fromStep,
                   QByteArrayView replacement)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return {};
    QByteArray out;
    out.reserve(input.size() * 2 + 16);
    char buffer[4096];
    // Brings the converter back to its initial shift state, writing what that takes (UTF-7
    // closes its base64 run).
    auto flush = [&] {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
    };
    char* in = const_cast<char*>(input.data());
    size_t inLeft = size_t(input.size());
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, outPtr - buffer);
        if (rc != size_t(-1) || errno == E2BIG)
            continue;
        // EILSEQ: an invalid or unmappable unit; EINVAL: a cut-off sequence at the end.
        size_t skip = errno == EINVAL ? inLeft : std::min(inLeft, fromStep);
        if (fromStep == 2 && skip == 2 && inLeft >= 4) {
            const unsigned unit = unsigned(uchar(in[0])) | unsigned(uchar(in[1])) << 8;
            if (unit >= 0xD800 && unit < 0xDC00)
                skip = 4;  // one character, one replacement
        }
        flush();
        out.append(replacement.data(), replacement.size());
        in += skip;
        inLeft -= skip;
    }
    flush();
    iconv_close(cd);
    return out;
}

}  // namespace

bool IsSupported(unsigned codePage)
{
    return codePage == CP_ACP || codePage == CP_UTF8 || IconvName(codePage) != nullptr;
}

QString ToUnicode(unsigned codePage, QByteArrayView bytes)
{
    const char* name = IconvName(codePage);
    if (!name)
        return QString::fromUtf8(bytes);
    if (bytes.isEmpty())
        return {};
    static const char16_t kReplacement[] = u"\uFFFD";
    const QByteArray utf16 = Convert(name, "UTF-16LE", bytes, 1,
                                     QByteArrayView(reinterpret_cast<const char*>(kReplacement), 2));
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(utf16.constData()), utf16.size() / 2);
}

QByteArray FromUnicode(unsigned codePage, QStringView text)
{
    const char* name = IconvName(codePage);
    if (!name)
        return text.toUtf8();
    if (text.isEmpty())
        return {};
    const QByteArrayView input(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    return Convert("UTF-16LE", name, input, 2, "?");
}

}  // namespace platform::textcodec
