#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <cstdint>

#include "platform/WinTypes.h"

// A calendar time: seconds since 1970-01-01 00:00 UTC.
using CTime = std::int64_t;

// Parsers for the time stamps web services write: RFC 1123 dates of HTTP headers, ISO 8601
// stamps and a compact 14-digit form, with a table of time-zone names. Zone offsets are
// counted in minutes west of UTC (a zone east of UTC has a negative number); a daylight zone
// is one hour ahead of its standard offset. Every parse refuses a year before 1900, a month
// outside 1-12, a day outside 1-31, an hour outside 0-23 and minutes or seconds outside 0-59.
class CTimeExt {
public:
    // "Jan".."Dec" by the first three characters (exact case), a leading number by its
    // value, anything else -1.
    static int ConvertMonth(QStringView month);
    // The same, true when the value lies in 0-12.
    static bool ConvertMonth(QStringView month, int& nMonth);

    static bool ParseTimeZoneName(QStringView name, int& nMinutesWest, int& nDaylight);
    // "Z", "UT", "GMT", the North American zones, "+hhmm"/"-hhmm" (daylight left as it is),
    // then the name table.
    static bool ParseTimeZoneRfc1123(QStringView zone, int& nMinutesWest, int& nDaylight);
    // "Z" or "+hh:mm"/"-hh:mm", answered in minutes west as the other zone parsers.
    static bool ParseTimeZoneIso8601(QStringView zone, int& nMinutesWest);

    // "Tue, 15 Nov 1994 08:12:31 GMT": six parts split at blanks and tabs.
    [[nodiscard]] static bool ParseRfc1123(QStringView text, CTime& time);
    // "YYYY", "YYYY-MM", "YYYY-MM-DD", then "Thh:mm[:ss[.fff]]" and a zone; local time
    // without a zone.
    [[nodiscard]] static bool ParseIso8601(QStringView text, CTime& time);
    // "YYYYMMDDhhmmss" in local time.
    [[nodiscard]] static bool ParseSimple(QStringView text, CTime& time);

    // With bLocal, the fields are a local clock time outside daylight saving time; otherwise
    // a clock time in the zone given by the last two arguments. -1 for fields outside the
    // ranges above.
    static CTime CreateTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond,
                            bool bLocal, int nMinutesWest, int nDaylight);

    static void GetCurrentFileTime(FILETIME& fileTime);
    // Splits at any of the delimiter characters, dropping empty parts.
    static void ParseToArray(const QString& strText, const QString& strDelimiters, QStringList& arr);
};
