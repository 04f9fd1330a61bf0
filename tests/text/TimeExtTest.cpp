#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <ctime>

#include "base/TimeExt.h"

namespace {

// The local zone for the life of a test; POSIX rules, so no zone database is needed.
class ScopedZone {
public:
    explicit ScopedZone(const char* tz)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old, m_hadOld = true;
        ::setenv("TZ", tz, 1);
        ::tzset();
    }
    ~ScopedZone()
    {
        if (m_hadOld)
            ::setenv("TZ", m_old.c_str(), 1);
        else
            ::unsetenv("TZ");
        ::tzset();
    }

private:
    std::string m_old;
    bool m_hadOld = false;
};

// 1994-11-15 13:12:31 UTC
constexpr CTime kInstant = 784905151;

struct StampCase {
    const char* text;
    bool bOk;
    CTime time;
};

TEST(TimeExtTest, Rfc1123)
{
    const StampCase cases[] = {
        {"Tue, 15 Nov 1994 13:12:31 GMT", true, kInstant},
        {"Tue, 15 Nov 1994 08:12:31 EST", true, kInstant},
        {"Tue, 15 Nov 1994 09:12:31 EDT", true, kInstant},
        {"Tue, 15 Nov 1994 05:12:31 PST", true, kInstant},
        {"Tue, 15 Nov 1994 13:12:31 UT", true, kInstant},
        {"Tue, 15 Nov 1994 13:12:31 Z", true, kInstant},
        {"Tue, 15 Nov 1994 22:12:31 +0900", true, kInstant},
        {"Tue, 15 Nov 1994 08:12:31 -0500", true, kInstant},
        {"Tue, 15 Nov 1994 09:42:31 -0330", true, kInstant},
        {"Tue,\t15  Nov 1994 13:12:31 GMT", true, kInstant},
        {"Tue, 15 Nov 1994 22:12:31 kst", true, kInstant},   // the name table, any case
        {"Tue, 15 Nov 1994 14:12:31 CET", true, kInstant},
        {"Tue, 15 Nov 1994 15:12:31 cest", true, kInstant},  // daylight, one hour more
        {"Wed, 16 Nov 1994 02:12:31 nzdt", true, kInstant},
        {"Tue, 15 11 1994 13:12:31 GMT", true, kInstant},    // a numeric month
        {"15 Nov 1994 08:12:31 EST", false, 0},              // five parts
        {"Tue 15 Nov 1994 08:12:31 EST", false, 0},          // no comma
        {"Tue, 15 Nov 1994 08:12:31 EST x", false, 0},
        {"Tue, 15 nov 1994 08:12:31 EST", false, 0},
        {"Tue, 15 Nov 94 08:12:31 EST", false, 0},
        {"Tue, 15 Nov 1994 8:12:31 EST", false, 0},
        {"Tue, 15 Nov 1994 08-12-31 EST", false, 0},
        {"Tue, 32 Nov 1994 08:12:31 EST", false, 0},
        {"Tue, 15 00 1994 08:12:31 EST", false, 0},
        {"Tue, 15 Nov 1899 08:12:31 EST", false, 0},
        {"Tue, 15 Nov 1994 24:12:31 EST", false, 0},
        {"Tue, 15 Nov 1994 08:60:31 EST", false, 0},
        {"Tue, 15 Nov 1994 08:12:31 A", false, 0},  // military zones other than Z
        {"Tue, 15 Nov 1994 08:12:31 +9", false, 0},
        {"Tue, 15 Nov 1994 08:12:31 XST", false, 0},
        {"", false, 0},
    };
    for (const StampCase& c : cases) {
        SCOPED_TRACE(c.text);
        CTime time = -12345;
        EXPECT_EQ(CTimeExt::ParseRfc1123(QString::fromUtf8(c.text), time), c.bOk);
        EXPECT_EQ(time, c.bOk ? c.time : -12345);
    }
}

TEST(TimeExtTest, Iso8601)
{
    ScopedZone zone("KST-9");
    const StampCase cases[] = {
        {"2006-07-01T09:30:00+09:00", true, 1151713800},
        {"2006-07-01T00:30:00Z", true, 1151713800},
        {"2006-07-01T00:30:00.125Z", true, 1151713800},
        {"2006-06-30T20:00:00-04:30", true, 1151713800},
        {"2006-07-01T00:30Z", true, 1151713800},
        {"2006-07-01 00:30:00Z", true, 1151713800},
        {"2006-07-01T09:30", true, 1151713800},     // local time
        {"2006-07-01T09:30:00", true, 1151713800},  // local time
        {"2006-07-01", true, 1151679600},
        {"2006-07", true, 1151679600},
        {"2006", true, 1136041200},
        {"2006-07-01T09:30:00+0900", false, 0},
        {"2006-07-01T09:30:00 +09:00", false, 0},
        {"2006/07/01T09:30:00Z", false, 0},
        {"2006-07-01X09:30:00Z", false, 0},
        {"2006-07-01T09.30:00Z", false, 0},
        {"2006-13-01T09:30:00Z", false, 0},
        {"2006-07-01T24:00:00Z", false, 0},
        {"1899-07-01T09:30:00Z", false, 0},
        {"200", false, 0},
        {"-006-07-01", false, 0},
    };
    for (const StampCase& c : cases) {
        SCOPED_TRACE(c.text);
        CTime time = -12345;
        EXPECT_EQ(CTimeExt::ParseIso8601(QString::fromUtf8(c.text), time), c.bOk);
        EXPECT_EQ(time, c.bOk ? c.time : -12345);
    }
}

TEST(TimeExtTest, SimpleStamps)
{
    ScopedZone zone("KST-9");
    const StampCase cases[] = {
        {"20060701093000", true, 1151713800},
        {"20061301093000", false, 0},
        {"2006070109300", false, 0},
        {"200607010930000", false, 0},
        {"2006070109300x", false, 0},
        {"20060700093000", false, 0},
    };
    for (const StampCase& c : cases) {
        SCOPED_TRACE(c.text);
        CTime time = -12345;
        EXPECT_EQ(CTimeExt::ParseSimple(QString::fromUtf8(c.text), time), c.bOk);
        EXPECT_EQ(time, c.bOk ? c.time : -12345);
    }
}

TEST(TimeExtTest, LocalTimeIsStandardTime)
{
    // Summer in a zone with daylight saving: the clock time is still read as standard time.
    ScopedZone zone("EST5EDT,M3.2.0,M11.1.0");
    CTime time = 0;
    ASSERT_TRUE(CTimeExt::ParseSimple(u"20060701120000", time));
    EXPECT_EQ(time, 1151773200);  // 2006-07-01 17:00 UTC
}

TEST(TimeExtTest, Months)
{
    struct Case {
        const char* text;
        int nValue;
        bool bValid;
    };
    const Case cases[] = {
        {"Jan", 1, true},   {"December", 12, true}, {"jan", -1, false}, {"JAN", -1, false},
        {"Ja", -1, false},  {"03", 3, true},        {"0", 0, true},     {"13", 13, false},
        {"7x", 7, true},    {"", -1, false},        {"99999999999999", INT_MAX, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CTimeExt::ConvertMonth(QString::fromUtf8(c.text)), c.nValue);
        int nMonth = -99;
        EXPECT_EQ(CTimeExt::ConvertMonth(QString::fromUtf8(c.text), nMonth), c.bValid);
        EXPECT_EQ(nMonth, c.bValid ? c.nValue : -99);
    }
}

TEST(TimeExtTest, ZoneNames)
{
    struct Case {
        const char* name;
        bool bFound;
        int nMinutesWest;
        int nDaylight;
    };
    const Case cases[] = {
        {"GMT", true, 0, 0},     {"bst", true, 0, 1},      {"NST", true, 210, 0},
        {"akdt", true, 540, 1},  {"hast", true, 600, 0},   {"ces", true, -60, 1},
        {"MEZT", true, -60, 1},  {"msk", true, -180, 0},   {"cct", true, -480, 0},
        {"cadt", true, -570, 1}, {"nzdt", true, -720, 1},  {"xyz", false, 0, 0},
        {"", false, 0, 0},       {"gmt ", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int nWest = 7, nDaylight = 7;
        EXPECT_EQ(CTimeExt::ParseTimeZoneName(QString::fromUtf8(c.name), nWest, nDaylight), c.bFound);
        if (c.bFound) {
            EXPECT_EQ(nWest, c.nMinutesWest);
            EXPECT_EQ(nDaylight, c.nDaylight);
        }
    }
    int nWest = 0, nDaylight = 5;
    ASSERT_TRUE(CTimeExt::ParseTimeZoneRfc1123(u"+0130", nWest, nDaylight));
    EXPECT_EQ(nWest, -90);
    EXPECT_EQ(nDaylight, 5);  // an offset says nothing about daylight saving
    ASSERT_TRUE(CTimeExt::ParseTimeZoneIso8601(u"-03:30", nWest));
    EXPECT_EQ(nWest, 210);
    EXPECT_FALSE(CTimeExt::ParseTimeZoneIso8601(u"+09", nWest));
}

TEST(TimeExtTest, CreateTimeAndClock)
{
    EXPECT_EQ(CTimeExt::CreateTime(1994, 11, 15, 8, 12, 31, false, 300, 0), kInstant);
    EXPECT_EQ(CTimeExt::CreateTime(1994, 11, 15, 9, 12, 31, false, 300, 1), kInstant);
    EXPECT_EQ(CTimeExt::CreateTime(1994, 11, 15, 9, 12, 31, false, 300, 2), kInstant + 3600);
    EXPECT_EQ(CTimeExt::CreateTime(1900, 1, 1, 0, 0, 0, false, 0, 0), CTime(-2208988800));
    EXPECT_EQ(CTimeExt::CreateTime(1994, 0, 15, 8, 12, 31, false, 0, 0), -1);

    FILETIME fileTime;
    CTimeExt::GetCurrentFileTime(fileTime);
    const std::uint64_t ticks = std::uint64_t(fileTime.dwHighDateTime) << 32 | fileTime.dwLowDateTime;
    const std::int64_t seconds = std::int64_t(ticks / 10000000) - 11644473600;
    EXPECT_LE(std::llabs(seconds - std::int64_t(std::time(nullptr))), 5);
}

TEST(TimeExtTest, ParseToArrayDropsEmptyParts)
{
    QStringList parts{QStringLiteral("stale")};
    CTimeExt::ParseToArray(QStringLiteral(";a,,b;c;"), QStringLiteral(",;"), parts);
    EXPECT_EQ(parts, (QStringList{"a", "b", "c"}));
    CTimeExt::ParseToArray(QString(), QStringLiteral(","), parts);
    EXPECT_TRUE(parts.isEmpty());
}

}  // namespace
