#include "base/TimeExt.h"

#include "base/HttpClient.h"

#include <chrono>
#include <climits>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct ZoneName {
    const char* name;
    int nDaylight;
    int nMinutesWest;
};

// Searched in this order; the first match wins.
constexpr ZoneName kZones[] = {
    {"gmt", 0, 0},     {"ut", 0, 0},      {"utc", 0, 0},     {"cut", 0, 0},     {"z", 0, 0},
    {"wet", 0, 0},     {"bst", 1, 0},     {"nst", 0, 210},   {"ndt", 1, 210},   {"ast", 0, 240},
    {"adt", 1, 240},   {"est", 0, 300},   {"edt", 1, 300},   {"cst", 0, 360},   {"cdt", 1, 360},
    {"mst", 0, 420},   {"mdt", 1, 420},   {"pst", 0, 480},   {"pdt", 1, 480},   {"yst", 0, 540},
    {"ydt", 1, 540},   {"akst", 0, 540},  {"akdt", 1, 540},  {"hst", 0, 600},   {"hast", 0, 600},
    {"hadt", 1, 600},  {"ces", 1, -60},   {"cest", 1, -60},  {"mez", 0, -60},   {"mezt", 1, -60},
    {"cet", 0, -60},   {"met", 0, -60},   {"eet", 0, -120},  {"msk", 0, -180},  {"msd", 1, -180},
    {"wast", 0, -480}, {"wadt", 1, -480}, {"hkt", 0, -480},  {"cct", 0, -480},  {"jst", 0, -540},
    {"kst", 0, -540},  {"kdt", 1, -540},  {"cast", 0, -570}, {"cadt", 1, -570}, {"east", 0, -600},
    {"eadt", 1, -600}, {"nzst", 0, -720}, {"nzdt", 1, -720},
};
static_assert(std::size(kZones) == 48);

// Stamps are ASCII; anything else can't be one.
bool ToAscii(QStringView text, std::string& out)
{
    out.clear();
    out.reserve(size_t(text.size()));
    for (const QChar c : text) {
        if (c.unicode() == 0 || c.unicode() > 0x7F)
            return false;
        out += char(c.unicode());
    }
    return true;
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Exactly the given digits; no sign, no blank.
bool ReadNumber(std::string_view text, size_t nPos, size_t nDigits, int& nValue)
{
    if (nPos + nDigits > text.size())
        return false;
    nValue = 0;
    for (size_t i = nPos; i < nPos + nDigits; ++i) {
        if (!IsDigit(text[i]))
            return false;
        nValue = nValue * 10 + (text[i] - '0');
    }
    return true;
}

bool FieldsInRange(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    return nYear >= 1900 && nMonth >= 1 && nMonth <= 12 && nDay >= 1 && nDay <= 31 && nHour >= 0 &&
           nHour <= 23 && nMinute >= 0 && nMinute <= 59 && nSecond >= 0 && nSecond <= 59;
}

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

bool BuildTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, bool bLocal,
               int nMinutesWest, int nDaylight, CTime& time)
{
    if (!FieldsInRange(nYear, nMonth, nDay, nHour, nMinute, nSecond))
        return false;
    const CTime result = CTimeExt::CreateTime(nYear, nMonth, nDay, nHour, nMinute, nSecond, bLocal,
                                              nMinutesWest, nDaylight);
    if (bLocal && result == -1)
        return false;
    time = result;
    return true;
}

}  // namespace

int CTimeExt::ConvertMonth(QStringView month)
{
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    if (month.isEmpty())
        return -1;
    if (month[0].unicode() >= '0' && month[0].unicode() <= '9') {
        int nValue = 0;
        for (const QChar c : month) {
            if (c.unicode() < '0' || c.unicode() > '9')
                break;
            nValue = nValue > (INT_MAX - 9) / 10 ? INT_MAX : nValue * 10 + (c.unicode() - '0');
        }
        return nValue;
    }
    if (month.size() < 3)
        return -1;
    for (int i = 0; i < 12; ++i) {
        if (month.first(3) == QLatin1String(kMonths[i], 3))
            return i + 1;
    }
    return -1;
}

bool CTimeExt::ConvertMonth(QStringView month, int& nMonth)
{
    const int nValue = ConvertMonth(month);
    if (nValue < 0 || nValue > 12)
        return false;
    nMonth = nValue;
    return true;
}

bool CTimeExt::ParseTimeZoneName(QStringView name, int& nMinutesWest, int& nDaylight)
{
    for (const ZoneName& zone : kZones) {
        if (name.compare(QLatin1String(zone.name), Qt::CaseInsensitive) == 0) {
            nMinutesWest = zone.nMinutesWest;
            nDaylight = zone.nDaylight;
            return true;
        }
    }
    return false;
}

bool CTimeExt::ParseTimeZoneRfc1123(QStringView zone, int& nMinutesWest, int& nDaylight)
{
    std::string text;
    if (!ToAscii(zone, text))
        return false;
    if (text == "Z" || text == "UT" || text == "GMT") {
        nMinutesWest = 0;
        nDaylight = 0;
        return true;
    }
    if (text.size() == 3 && text[2] == 'T' && (text[1] == 'S' || text[1] == 'D')) {
        const std::string_view kFirst = "ECMP";
        const size_t n = kFirst.find(text[0]);
        if (n != std::string_view::npos) {
            nMinutesWest = 300 + int(n) * 60;
            nDaylight = text[1] == 'D' ? 1 : 0;
            return true;
        }
    }
    int nHours = 0, nMinutes = 0;
    if (text.size() == 5 && (text[0] == '+' || text[0] == '-') && ReadNumber(text, 1, 2, nHours) &&
        ReadNumber(text, 3, 2, nMinutes)) {
        const int nEast = nHours * 60 + nMinutes;
        nMinutesWest = text[0] == '+' ? -nEast : nEast;
        return true;
    }
    return ParseTimeZoneName(zone, nMinutesWest, nDaylight);
}

bool CTimeExt::ParseTimeZoneIso8601(QStringView zone, int& nMinutesWest)
{
    std::string text;
    if (!ToAscii(zone, text))
        return false;
    if (text == "Z") {
        nMinutesWest = 0;
        return true;
    }
    int nHours = 0, nMinutes = 0;
    if (text.size() == 6 && (text[0] == '+' || text[0] == '-') && text[3] == ':' &&
        ReadNumber(text, 1, 2, nHours) && ReadNumber(text, 4, 2, nMinutes)) {
        const int nEast = nHours * 60 + nMinutes;
        nMinutesWest = text[0] == '+' ? -nEast : nEast;
        return true;
    }
    return false;
}

bool CTimeExt::ParseRfc1123(QStringView text, CTime& time)
{
    QStringList parts;
    ParseToArray(text.toString(), QStringLiteral(" \t"), parts);
    if (parts.size() != 6 || !parts[0].endsWith(QLatin1Char(',')))
        return false;
    std::string day, year, clock;
    if (!ToAscii(parts[1], day) || !ToAscii(parts[3], year) || !ToAscii(parts[4], clock))
        return false;
    int nDay = 0, nMonth = 0, nYear = 0, nHour = 0, nMinute = 0, nSecond = 0;
    if (day.empty() || day.size() > 2 || !ReadNumber(day, 0, day.size(), nDay))
        return false;
    if (!ConvertMonth(parts[2], nMonth))
        return false;
    if (year.size() != 4 || !ReadNumber(year, 0, 4, nYear))
        return false;
    if (clock.size() != 8 || clock[2] != ':' || clock[5] != ':' || !ReadNumber(clock, 0, 2, nHour) ||
        !ReadNumber(clock, 3, 2, nMinute) || !ReadNumber(clock, 6, 2, nSecond))
        return false;
    int nMinutesWest = 0, nDaylight = 0;
    if (!ParseTimeZoneRfc1123(parts[5], nMinutesWest, nDaylight))
        return false;
    return BuildTime(nYear, nMonth, nDay, nHour, nMinute, nSecond, false, nMinutesWest, nDaylight, time);
}

bool CTimeExt::ParseIso8601(QStringView stamp, CTime& time)
{
    std::string text;
    if (!ToAscii(stamp, text))
        return false;
    int nYear = 0, nMonth = 1, nDay = 1, nHour = 0, nMinute = 0, nSecond = 0;
    if (!ReadNumber(text, 0, 4, nYear))
        return false;
    const size_t nLen = text.size();
    if (nLen <= 6)
        return BuildTime(nYear, 1, 1, 0, 0, 0, true, 0, 0, time);
    if (text[4] != '-' || !ReadNumber(text, 5, 2, nMonth))
        return false;
    if (nLen <= 9)
        return BuildTime(nYear, nMonth, 1, 0, 0, 0, true, 0, 0, time);
    if (text[7] != '-' || !ReadNumber(text, 8, 2, nDay))
        return false;
    if (nLen <= 15)
        return BuildTime(nYear, nMonth, nDay, 0, 0, 0, true, 0, 0, time);
    if ((text[10] != 'T' && text[10] != ' ') || !ReadNumber(text, 11, 2, nHour) || text[13] != ':' ||
        !ReadNumber(text, 14, 2, nMinute))
        return false;
    size_t nPos = 16;
    if (nPos < nLen && text[nPos] == ':') {
        if (!ReadNumber(text, 17, 2, nSecond))
            return false;
        nPos = 19;
        if (nPos < nLen && text[nPos] == '.') {
            ++nPos;
            while (nPos < nLen && IsDigit(text[nPos]))
                ++nPos;
        }
    }
    if (nPos == nLen)
        return BuildTime(nYear, nMonth, nDay, nHour, nMinute, nSecond, true, 0, 0, time);
    int nMinutesWest = 0;
    if (!ParseTimeZoneIso8601(stamp.sliced(qsizetype(nPos)), nMinutesWest))
        return false;
    return BuildTime(nYear, nMonth, nDay, nHour, nMinute, nSecond, false, nMinutesWest, 0, time);
}

bool CTimeExt::ParseSimple(QStringView stamp, CTime& time)
{
    std::string text;
    if (stamp.size() != 14 || !ToAscii(stamp, text))
        return false;
    int nYear, nMonth, nDay, nHour, nMinute, nSecond;
    if (!ReadNumber(text, 0, 4, nYear) || !ReadNumber(text, 4, 2, nMonth) || !ReadNumber(text, 6, 2, nDay) ||
        !ReadNumber(text, 8, 2, nHour) || !ReadNumber(text, 10, 2, nMinute) ||
        !ReadNumber(text, 12, 2, nSecond))
        return false;
    return BuildTime(nYear, nMonth, nDay, nHour, nMinute, nSecond, true, 0, 0, time);
}

CTime CTimeExt::CreateTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond,
                           bool bLocal, int nMinutesWest, int nDaylight)
{
    if (!FieldsInRange(nYear, nMonth, nDay, nHour, nMinute, nSecond))
        return -1;
    if (bLocal) {
        std::tm tm{};
        tm.tm_year = nYear - 1900;
        tm.tm_mon = nMonth - 1;
        tm.tm_mday = nDay;
        tm.tm_hour = nHour;
        tm.tm_min = nMinute;
        tm.tm_sec = nSecond;
        tm.tm_isdst = 0;
        return CTime(std::mktime(&tm));
    }
    CTime seconds = DaysFromCivil(nYear, unsigned(nMonth), unsigned(nDay)) * 86400 + nHour * 3600 +
                    nMinute * 60 + nSecond;
    seconds += CTime(nMinutesWest) * 60;
    if (nDaylight == 1)
        seconds -= 3600;
    return seconds;
}

void CTimeExt::GetCurrentFileTime(FILETIME& fileTime)
{
    using namespace std::chrono;
    // 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
    constexpr std::uint64_t kEpochDifference = 116444736000000000ull;
    const auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
    const std::uint64_t ticks = kEpochDifference + std::uint64_t(since1970 / 100);
    fileTime.dwLowDateTime = DWORD(ticks & 0xFFFFFFFFu);
    fileTime.dwHighDateTime = DWORD(ticks >> 32);
}

void CTimeExt::ParseToArray(const QString& strText, const QString& strDelimiters, QStringList& arr)
{
    QString strCopy = strText;  // the splitter works in place
    ParseStringToArray(strCopy, strDelimiters, arr);
}
