#include "platform/TextCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
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

namespace platform::textcodec {

namespace {

// The length a UTF-8 lead byte claims, taken on the long side (old five- and six-byte forms
// included): a conversion of the bytes before a place never looks further than this.
qsizetype ClaimedLength(uchar byte)
{
    if (byte < 0xC0)
        return 1;
    if (byte < 0xE0)
        return 2;
    if (byte < 0xF0)
        return 3;
    if (byte < 0xF8)
        return 4;
    return byte < 0xFC ? 5 : 6;
}

// Whether the text can be cut before data[at] without changing its conversion, whatever
// follows: no sequence begun in the last bytes before it reaches past it. data starts at a
// place where the text could be cut.
bool CanCutAt(const char* data, qsizetype at)
{
    for (qsizetype i = std::max<qsizetype>(0, at - 6); i < at; ++i)
        if (ClaimedLength(uchar(data[i])) > at - i)
            return false;
    return true;
}

// The last place in the final bytes of data where it can be cut; 0 when there is none.
qsizetype LastCut(const char* data, qsizetype size)
{
    for (qsizetype at = size; at > 0 && at >= size - 6; --at)
        if (CanCutAt(data, at))
            return at;
    return 0;
}

}  // namespace

StreamDecoder::StreamDecoder(unsigned codePage)
    : m_utf8(IconvName(codePage) == nullptr),
      m_decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom),
      m_codePage(codePage)
{
}

// Well-formed characters are converted here; from the first byte that is not one on, the rest
// of the stretch goes to the general decoder, which gives such bytes their replacements.
void StreamDecoder::Decode(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    const auto* p = reinterpret_cast<const uchar*>(bytes.data());
    const uchar* const end = p + bytes.size();
    // Like the whole text's conversion, a byte-order mark at the very start is dropped.
    if (!m_started && bytes.startsWith("\xEF\xBB\xBF"))
        p += 3;
    m_started = true;
    if (p == end)
        return;
    // Every byte gives at most one UTF-16 unit (four-byte characters give two).
    const qsizetype old = m_text.size();
    m_text.resize(old + (end - p));
    auto* out = reinterpret_cast<char16_t*>(m_text.data()) + old;
    auto continuation = [](uchar b) { return (b & 0xC0) == 0x80; };
    while (p < end) {
        const uchar b = *p;
        if (b < 0x80) {
            // ASCII eight bytes at a time while it lasts.
            std::uint64_t word;
            while (end - p >= 8 && (std::memcpy(&word, p, 8), (word & 0x8080808080808080u) == 0)) {
                for (int i = 0; i < 8; ++i)
                    out[i] = p[i];
                out += 8;
                p += 8;
            }
            if (p < end && *p < 0x80)
                *out++ = *p++;
            continue;
        }
        // Three-byte characters first: Hangul and most other text the service sends.
        if ((b & 0xF0) == 0xE0 && end - p >= 3) {
            const uchar low = b == 0xE0 ? 0xA0 : 0x80;
            const uchar high = b == 0xED ? 0x9F : 0xBF;
            if (p[1] >= low && p[1] <= high && continuation(p[2])) {
                *out++ = char16_t((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F));
                p += 3;
                continue;
            }
        } else if (b >= 0xC2 && b <= 0xDF && end - p >= 2 && continuation(p[1])) {
            *out++ = char16_t((b & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
            continue;
        } else if (b >= 0xF0 && b <= 0xF4 && end - p >= 4) {
            const uchar low = b == 0xF0 ? 0x90 : 0x80;
            const uchar high = b == 0xF4 ? 0x8F : 0xBF;
            if (p[1] >= low && p[1] <= high && continuation(p[2]) && continuation(p[3])) {
                const char32_t c = char32_t(b & 0x07) << 18 | char32_t(p[1] & 0x3F) << 12 |
                                   char32_t(p[2] & 0x3F) << 6 | char32_t(p[3] & 0x3F);
                *out++ = char16_t(0xD7C0 + (c >> 10));
                *out++ = char16_t(0xDC00 | (c & 0x3FF));
                p += 4;
                continue;
            }
        }
        // The general decoder may need a little more room than the bytes left.
        const qsizetype done = reinterpret_cast<QChar*>(out) - m_text.constData();
        m_text.resize(done + m_decoder.requiredSpace(end - p));
        out = reinterpret_cast<char16_t*>(
            m_decoder.appendToBuffer(m_text.data() + done, QByteArrayView(p, end - p)));
        break;
    }
    m_text.resize(reinterpret_cast<QChar*>(out) - m_text.constData());
}

void StreamDecoder::Append(QByteArrayView bytes)
{
    if (!m_utf8) {
        m_pending.append(bytes);
        return;
    }
    const char* data = bytes.data();
    qsizetype size = bytes.size();
    if (!m_pending.isEmpty()) {
        // Complete what was carried over with the first bytes of this piece. The carried bytes
        // start at a place where the text could be cut, so only the last few of them matter.
        const qsizetype keep = std::min<qsizetype>(m_pending.size(), 6);
        const qsizetype head = std::min<qsizetype>(size, 6);
        char window[12];
        std::copy_n(m_pending.constData() + m_pending.size() - keep, keep, window);
        std::copy_n(data, head, window + keep);
        qsizetype cut = 0;
        for (qsizetype at = keep + 1; at <= keep + head && cut == 0; ++at)
            if (CanCutAt(window, at))
                cut = at - keep;
        if (cut == 0) {
            // Not a character's bytes: keep gathering (each byte is still looked at a bounded
            // number of times).
            m_pending.append(data, size);
            const qsizetype pendingCut = LastCut(m_pending.constData(), m_pending.size());
            Decode(QByteArrayView(m_pending.constData(), pendingCut));
            m_pending.remove(0, pendingCut);
            return;
        }
        m_pending.append(data, cut);
        Decode(m_pending);
        m_pending.clear();
        data += cut;
        size -= cut;
    }
    const qsizetype cut = LastCut(data, size);
    Decode(QByteArrayView(data, cut));
    m_pending.append(data + cut, size - cut);
}

QString StreamDecoder::Finish()
{
    QString text;
    if (m_utf8) {
        Decode(m_pending);
        // Room was made for one unit per byte: give back what several-byte characters left over.
        if (m_text.capacity() - m_text.size() > m_text.size() / 2)
            m_text.squeeze();
        text = std::move(m_text);
    } else {
        text = ToUnicode(m_codePage, m_pending);
    }
    m_pending.clear();
    m_text.clear();
    m_started = false;
    return text;
}

}  // namespace platform::textcodec
