#include "service/ServiceTime.h"

#include <cstdio>

namespace tamo::service {

namespace {

bool AllDigits(std::string_view s)
{
    for (char c : s)
        if (c < '0' || c > '9')
            return false;
    return !s.empty();
}

int Number(std::string_view s)
{
    int n = 0;
    for (char c : s)
        n = n * 10 + (c - '0');
    return n;
}

std::string Without(std::string_view s, char drop)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s)
        if (c != drop)
            out.push_back(c);
    return out;
}

}  // namespace

std::optional<SWallTime> ParseWallTime(std::string_view text)
{
    if (text.size() > 32)
        return std::nullopt;
    const size_t t = text.find('T');
    const std::string datePart = Without(text.substr(0, t), '-');
    if (datePart.size() != 8 || !AllDigits(datePart))
        return std::nullopt;
    // Dashes only in their places: "YYYY-MM-DD" or none at all.
    const std::string_view rawDate = text.substr(0, t);
    if (rawDate.size() == 10 && (rawDate[4] != '-' || rawDate[7] != '-'))
        return std::nullopt;
    if (rawDate.size() != 8 && rawDate.size() != 10)
        return std::nullopt;
    SWallTime result;
    result.date = QDate(Number(datePart.substr(0, 4)), Number(datePart.substr(4, 2)), Number(datePart.substr(6, 2)));
    if (!result.date.isValid() || result.date.year() < 1000)
        return std::nullopt;
    if (t == std::string_view::npos)
        return result;

    const std::string timePart = Without(text.substr(t + 1), ':');
    if ((timePart.size() != 6 && timePart.size() != 4) || !AllDigits(timePart))
        return std::nullopt;
    const int hour = Number(timePart.substr(0, 2));
    const int minute = Number(timePart.substr(2, 2));
    const int second = timePart.size() == 6 ? Number(timePart.substr(4, 2)) : 0;
    if (hour > 47 || minute > 59 || second > 59)
        return std::nullopt;
    result.hasTime = true;
    result.seconds = (hour % 24) * 3600 + minute * 60 + second;
    if (hour >= 24)
        result.date = result.date.addDays(1);
    return result;
}

std::string FormatStamp(const QDate& date, int seconds)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02d", date.year(), date.month(), date.day(),
                  seconds / 3600, seconds / 60 % 60, seconds % 60);
    return buffer;
}

std::string FormatStamp(const SWallTime& time) { return FormatStamp(time.date, time.seconds); }

std::string FormatDate(const QDate& date)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", date.year(), date.month(), date.day());
    return buffer;
}

std::optional<SWallTime> ParseStamp(std::string_view stamp)
{
    if (stamp.size() != 15 && stamp.size() != 8)
        return std::nullopt;
    return ParseWallTime(stamp);
}

QDateTime ToDateTime(const SWallTime& time)
{
    return QDateTime(time.date, QTime(0, 0).addSecs(time.seconds), Qt::UTC);
}

SWallTime FromDateTime(const QDateTime& wall)
{
    return SWallTime{wall.date(), wall.time().msecsSinceStartOfDay() / 1000, true};
}

}  // namespace tamo::service
