#include "service/RepeatRule.h"

#include <algorithm>
#include <array>

namespace tamo::service {

namespace {

struct SRule {
    std::string_view type;
    std::string_view rule;  // FREQ and its one further part
    unsigned weekdays;      // bit (1 << Qt day of week) for the weekday sets; 0 otherwise
};

constexpr unsigned Day(int qtDay) { return 1u << qtDay; }

constexpr std::array<SRule, 8> kRules{{
    {"every100d", "FREQ=DAILY;INTERVAL=100", 0},
    {"daily", "FREQ=DAILY;INTERVAL=1", 0},
    {"mon_wed_fri", "FREQ=WEEKLY;BYDAY=MO\\,WE\\,FR", Day(Qt::Monday) | Day(Qt::Wednesday) | Day(Qt::Friday)},
    {"tue_thu", "FREQ=WEEKLY;BYDAY=TU\\,TH", Day(Qt::Tuesday) | Day(Qt::Thursday)},
    {"sat_sun", "FREQ=WEEKLY;BYDAY=SU\\,SA", Day(Qt::Saturday) | Day(Qt::Sunday)},
    {"weekly", "FREQ=WEEKLY;INTERVAL=1", 0},
    {"monthly", "FREQ=MONTHLY;INTERVAL=1", 0},
    {"yearly", "FREQ=YEARLY;INTERVAL=1", 0},
}};

const SRule* Find(std::string_view type)
{
    for (const SRule& rule : kRules)
        if (rule.type == type)
            return &rule;
    return nullptr;
}

}  // namespace

bool IsRepeatType(std::string_view type) { return Find(type) != nullptr; }

std::string ExportRule(std::string_view type, std::string_view untilDate)
{
    const SRule* rule = Find(type);
    if (!rule)
        return {};
    std::string out(rule->rule);
    if (!untilDate.empty()) {
        out += ";UNTIL=";
        out += untilDate;
    }
    return out;
}

std::optional<QDate> NextOccurrence(std::string_view type, const QDate& start, const QDate& until, const QDate& from)
{
    const SRule* rule = Find(type);
    if (!rule || !start.isValid())
        return std::nullopt;
    const QDate first = std::max(start, from);
    std::optional<QDate> found;
    if (type == "daily") {
        found = first;
    } else if (type == "every100d") {
        const qint64 steps = (start.daysTo(first) + 99) / 100;
        found = start.addDays(steps * 100);
    } else if (type == "weekly" || rule->weekdays != 0) {
        const unsigned days = rule->weekdays != 0 ? rule->weekdays : Day(start.dayOfWeek());
        for (int i = 0; i < 7 && !found; ++i)
            if (days & Day(first.addDays(i).dayOfWeek()))
                found = first.addDays(i);
    } else if (type == "monthly") {
        // Months without the start's day are skipped; 48 months always hold one.
        for (int i = 0; i < 48 && !found; ++i) {
            const QDate month = QDate(first.year(), first.month(), 1).addMonths(i);
            const QDate day(month.year(), month.month(), start.day());
            if (day.isValid() && day >= first)
                found = day;
        }
    } else {  // yearly; 29 February only in leap years
        for (int i = 0; i < 9 && !found; ++i) {
            const QDate day(first.year() + i, start.month(), start.day());
            if (day.isValid() && day >= first)
                found = day;
        }
    }
    if (found && until.isValid() && *found > until)
        return std::nullopt;
    return found;
}

}  // namespace tamo::service
