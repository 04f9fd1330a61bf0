#pragma once

// Our own OLE automation dates: days since 30 December 1899 as a double, the fraction being the
// time of day (for days before that date the fraction still counts forward from midnight).
// Valid for the years 100 to 9999; 0 stands for "no date" throughout the engine.

#include <optional>

#include "platform/WinTypes.h"
#include "platform/mapi/MapiDefs.h"

namespace oledate {

struct DateTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    int dayOfWeek = 0;  // 0 = Sunday
};

// Nothing for an impossible date or time (month 13, 30 February, hour 24, ...).
std::optional<double> FromDateTime(int year, int month, int day, int hour, int minute, int second);
// The parts of a date, rounded to the nearest second; nothing outside the valid range.
std::optional<DateTime> ToDateTime(double date);
// Adds whole days, keeping the time of day (also across 30 December 1899).
double AddDays(double date, int days);

// UTC file times (100 ns since 1 January 1601) and SYSTEMTIME, without any zone shift.
double FromFileTime(const FILETIME& ft);
std::optional<FILETIME> ToFileTime(double date);
std::optional<SYSTEMTIME> FileTimeToSystemTime(const FILETIME& ft);
std::optional<FILETIME> SystemTimeToFileTime(const SYSTEMTIME& st);
std::optional<double> FromSystemTime(const SYSTEMTIME& st);
std::optional<SYSTEMTIME> ToSystemTime(double date);

}  // namespace oledate
