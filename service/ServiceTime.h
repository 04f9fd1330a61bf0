#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QDate>
#include <QDateTime>

namespace tamo::service {

// A date-time of the service, in the wall clock of Asia/Seoul. The service keeps every time in
// that zone and stores it as "YYYYMMDDTHHMMSS" (or "YYYYMMDD" for plain dates).
struct SWallTime {
    QDate date;
    int seconds = 0;       // seconds after midnight
    bool hasTime = false;  // false when the text held a date alone
};

// Reads the forms clients send: "YYYYMMDD", "YYYY-MM-DD", and either with "T" and a time as
// "HHMMSS", "HH:MM:SS", "HHMM" or "HH:MM". Hours 24 to 47 mean the same time of the next day.
// Nothing for anything else, including impossible dates.
[[nodiscard]] std::optional<SWallTime> ParseWallTime(std::string_view text);

// "YYYYMMDDTHHMMSS" and "YYYYMMDD".
std::string FormatStamp(const QDate& date, int seconds);
std::string FormatStamp(const SWallTime& time);
std::string FormatDate(const QDate& date);
// A stamp as written by FormatStamp back into its parts; nothing for malformed text.
[[nodiscard]] std::optional<SWallTime> ParseStamp(std::string_view stamp);

// Wall time of Asia/Seoul as a QDateTime marked UTC, so that no zone arithmetic touches it.
QDateTime ToDateTime(const SWallTime& time);
SWallTime FromDateTime(const QDateTime& wall);

}  // namespace tamo::service
