// Every time-stamp parser on any text.
#include <cstddef>
#include <cstdint>

#include <QString>

#include "base/TimeExt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    CTime time = 0;
    (void)CTimeExt::ParseRfc1123(text, time);
    (void)CTimeExt::ParseIso8601(text, time);
    (void)CTimeExt::ParseSimple(text, time);
    int nMonth = 0, nWest = 0, nDaylight = 0;
    CTimeExt::ConvertMonth(text, nMonth);
    CTimeExt::ParseTimeZoneRfc1123(text, nWest, nDaylight);
    CTimeExt::ParseTimeZoneIso8601(text, nWest);
    return 0;
}
