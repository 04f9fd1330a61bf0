#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <QDate>

namespace tamo::service {

// The service's repeat types: "every100d", "daily", "mon_wed_fri", "tue_thu", "sat_sun",
// "weekly", "monthly", "yearly".
[[nodiscard]] bool IsRepeatType(std::string_view type);

// The rule as the export writes it, already escaped: FREQ, then INTERVAL or BYDAY, then UNTIL
// ("YYYYMMDD") when the series has an end. Empty for an unknown type.
std::string ExportRule(std::string_view type, std::string_view untilDate);

// The first day on or after `from` on which a series of the type that starts on `start` occurs,
// not after `until` (when valid). Nothing when there is none.
[[nodiscard]] std::optional<QDate> NextOccurrence(std::string_view type, const QDate& start, const QDate& until,
                                                  const QDate& from);

}  // namespace tamo::service
