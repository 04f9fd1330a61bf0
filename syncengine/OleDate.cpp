#include "syncengine/OleDate.h"

#include <cmath>
#include <cstdint>

namespace oledate {

namespace {

// Days from 1970-01-01 to a civil date (proleptic Gregorian), after H. Hinnant.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m)
{
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

const std::int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);
const std::int64_t kFileTimeEpoch = DaysFromCivil(1601, 1, 1);
constexpr std::int64_t kTicksPerSecond = 10000000;
constexpr double kMinDate = -657434.0;        // 0100-01-01
constexpr double kMaxDate = 2958465.99999999;  // 9999-12-31 23:59:59

// Seconds since the OLE epoch ↔ OLE date.
double FromSeconds(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const double fraction = static_cast<double>(rest) / 86400.0;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

std::optional<std::int64_t> ToSeconds(double date)
{
    if (!std::isfinite(date) || date < kMinDate || date > kMaxDate + 1)
        return std::nullopt;
    const double whole = std::trunc(date);
    const double fraction = std::fabs(date - whole);
    std::int64_t days = static_cast<std::int64_t>(whole);
    // Negative dates count the time forward from midnight of the whole day.
    if (date < 0 && fraction > 0)
        days = static_cast<std::int64_t>(whole);
    const std::int64_t seconds = static_cast<std::int64_t>(std::llround(fraction * 86400.0));
    return days * 86400 + seconds;
}

}  // namespace

std::optional<double> FromDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) ||
        hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kOleEpoch;
    return FromSeconds(days * 86400 + hour * 3600 + minute * 60 + second);
}

std::optional<DateTime> ToDateTime(double date)
{
    const auto seconds = ToSeconds(date);
    if (!seconds)
        return std::nullopt;
    std::int64_t days = *seconds / 86400;
    std::int64_t rest = *seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    DateTime dt;
    CivilFromDays(days + kOleEpoch, dt.year, dt.month, dt.day);
    if (dt.year < 100 || dt.year > 9999)
        return std::nullopt;
    dt.hour = static_cast<int>(rest / 3600);
    dt.minute = static_cast<int>(rest / 60 % 60);
    dt.second = static_cast<int>(rest % 60);
    const std::int64_t unixDays = days + kOleEpoch;  // 1970-01-01 was a Thursday
    dt.dayOfWeek = static_cast<int>(((unixDays % 7) + 7 + 4) % 7);
    return dt;
}

double AddDays(double date, int days)
{
    const auto seconds = ToSeconds(date);
    return seconds ? FromSeconds(*seconds + static_cast<std::int64_t>(days) * 86400) : date + days;
}

double FromFileTime(const FILETIME& ft)
{
    const std::uint64_t ticks = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const std::int64_t seconds = static_cast<std::int64_t>(ticks / kTicksPerSecond);
    const std::int64_t ticksLeft = static_cast<std::int64_t>(ticks % kTicksPerSecond);
    const std::int64_t fromOle = seconds + (kFileTimeEpoch - kOleEpoch) * 86400 + (ticksLeft >= kTicksPerSecond / 2 ? 1 : 0);
    return FromSeconds(fromOle);
}

std::optional<FILETIME> ToFileTime(double date)
{
    const auto seconds = ToSeconds(date);
    if (!seconds)
        return std::nullopt;
    const std::int64_t fromFileEpoch = *seconds - (kFileTimeEpoch - kOleEpoch) * 86400;
    if (fromFileEpoch < 0)
        return std::nullopt;
    const std::uint64_t ticks = static_cast<std::uint64_t>(fromFileEpoch) * kTicksPerSecond;
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

std::optional<SYSTEMTIME> FileTimeToSystemTime(const FILETIME& ft)
{
    const std::uint64_t ticks = (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    if (ticks >= 0x8000000000000000ULL)
        return std::nullopt;
    const std::int64_t totalMs = static_cast<std::int64_t>(ticks / 10000);
    const std::int64_t days = totalMs / 86400000;
    const std::int64_t ms = totalMs % 86400000;
    int y, m, d;
    CivilFromDays(days + kFileTimeEpoch, y, m, d);
    if (y > 30827)
        return std::nullopt;
    SYSTEMTIME st;
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    st.wDayOfWeek = static_cast<WORD>((((days + kFileTimeEpoch) % 7) + 7 + 4) % 7);
    st.wHour = static_cast<WORD>(ms / 3600000);
    st.wMinute = static_cast<WORD>(ms / 60000 % 60);
    st.wSecond = static_cast<WORD>(ms / 1000 % 60);
    st.wMilliseconds = static_cast<WORD>(ms % 1000);
    return st;
}

std::optional<FILETIME> SystemTimeToFileTime(const SYSTEMTIME& st)
{
    if (st.wYear < 1601 || st.wYear > 30827 || st.wMonth < 1 || st.wMonth > 12 || st.wDay < 1 ||
        st.wDay > DaysInMonth(st.wYear, st.wMonth) || st.wHour > 23 || st.wMinute > 59 || st.wSecond > 59 ||
        st.wMilliseconds > 999)
        return std::nullopt;
    const std::int64_t days = DaysFromCivil(st.wYear, st.wMonth, st.wDay) - kFileTimeEpoch;
    const std::int64_t ms = ((days * 24 + st.wHour) * 60 + st.wMinute) * 60000 + st.wSecond * 1000 + st.wMilliseconds;
    const std::uint64_t ticks = static_cast<std::uint64_t>(ms) * 10000;
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFu), static_cast<DWORD>(ticks >> 32)};
}

std::optional<double> FromSystemTime(const SYSTEMTIME& st)
{
    return FromDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
}

std::optional<SYSTEMTIME> ToSystemTime(double date)
{
    const auto dt = ToDateTime(date);
    if (!dt)
        return std::nullopt;
    SYSTEMTIME st;
    st.wYear = static_cast<WORD>(dt->year);
    st.wMonth = static_cast<WORD>(dt->month);
    st.wDay = static_cast<WORD>(dt->day);
    st.wDayOfWeek = static_cast<WORD>(dt->dayOfWeek);
    st.wHour = static_cast<WORD>(dt->hour);
    st.wMinute = static_cast<WORD>(dt->minute);
    st.wSecond = static_cast<WORD>(dt->second);
    return st;
}

}  // namespace oledate
