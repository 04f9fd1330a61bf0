// Text that arrives in pieces must convert exactly as the whole does: any bytes, cut into
// pieces of 1 to 8 bytes (sizes from the input's first four bytes), in UTF-8 and UTF-7.
// Aborts otherwise.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    const uint8_t* cuts = data;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data + 4), qsizetype(size - 4));
    for (unsigned codePage : {CP_UTF8, CP_UTF7}) {
        platform::textcodec::StreamDecoder decoder(codePage);
        qsizetype at = 0;
        for (int i = 0; at < bytes.size(); i = (i + 1) % 4) {
            const qsizetype n = std::min<qsizetype>(bytes.size() - at, 1 + cuts[i] % 8);
            decoder.Append(bytes.sliced(at, n));
            at += n;
        }
        if (decoder.Finish() != platform::textcodec::ToUnicode(codePage, bytes))
            std::abort();
    }
    return 0;
}
