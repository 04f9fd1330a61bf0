#pragma once

// The mapping between the service's repeat rule ("FREQ", "INTERVAL", "BYDAY", "UNTIL" of an
// event) and Outlook's appointment recurrence pattern (the binary recurrence property, the
// recurrence type and the clip end). Pure functions over dates; the engine does the MAPI I/O.

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QDate>
#include <QString>

namespace recurrence {

// The texts of the repetition end kept in "UNTIL" when a series never ends.
inline const QString kNoEnd = QStringLiteral("&pieloop=on");

// Pattern constants of the published layout.
constexpr std::uint16_t kFreqDaily = 0x200A, kFreqWeekly = 0x200B, kFreqMonthly = 0x200C, kFreqYearly = 0x200D;
constexpr std::uint32_t kEndByDate = 0x2021, kEndAfterCount = 0x2022, kEndNever = 0x2023;
constexpr std::uint32_t kEveryHundredDays = 144000;  // minutes
constexpr std::uint32_t kNoEndDate = 0x5AE980DF;     // 31 December 4500, 23:59

// The service side of a rule, as the export parser splits it.
struct ServiceRule {
    QString freq;      // DAILY, WEEKLY, MONTHLY or YEARLY (any letter case)
    QString interval;  // "100" for the every-hundred-days type
    QString byDay;     // "MO,WE,FR", "TU,TH", "SU,SA" or anything else
    QString until;     // the last day on which the series may occur, empty or kNoEnd for none
};

// What the engine writes into Outlook for one repeating event.
struct OutlookRecurrence {
    QByteArray pattern;       // the recurrence pattern property
    std::int32_t type = 0;    // the recurrence type property: 1 daily, 2 weekly, 3 monthly, 4 yearly
    QDate clipEnd;            // the last day of the series; invalid when it never ends
};

// Minutes since 1 January 1601 of midnight of a date.
std::uint32_t DateToMinutes(const QDate& date);
QDate MinutesToDate(std::uint32_t minutes);

// A service date text ("20080131", "2008-01-31", with or without a time) as a date; invalid
// when it is none.
QDate UntilDate(const QString& until);

// The pattern of a series starting at startLocal (Asia/Seoul wall time) and lasting
// durationMinutes per occurrence.
OutlookRecurrence Build(const ServiceRule& rule, const QDateTime& startLocal, int durationMinutes);

// Number of occurrences from the start date to the end date inclusive, counted as Outlook
// counts them (a monthly or yearly day past the month's end falls on its last day).
std::uint32_t CountOccurrences(std::uint16_t frequency, std::uint32_t periodDays, std::uint32_t dayMask,
                               const QDate& start, const QDate& end);

// The service repeat type of an Outlook series ("every100d", "daily", "mon_wed_fri", "tue_thu",
// "sat_sun", "weekly", "monthly", "yearly"); a missing or short pattern decides by the type alone.
QString ServiceRepeatType(std::int32_t recurrenceType, const QByteArray& pattern);

// The end type of a pattern, read after its pattern-specific block; nothing when the pattern is
// too short to hold one.
std::optional<std::uint32_t> EndType(const QByteArray& pattern);

}  // namespace recurrence
