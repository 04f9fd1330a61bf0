// Outlook's appointment recurrence pattern, written from and read into the service's repeat rule.
#include "syncengine/Recurrence.h"

#include <bit>

#include <QDateTime>

namespace recurrence {
namespace {

const QDate kEpoch(1601, 1, 1);

class LittleEndianWriter {
public:
    void U16(std::uint16_t v)
    {
        m_bytes.append(static_cast<char>(v & 0xFF));
        m_bytes.append(static_cast<char>(v >> 8));
    }
    void U32(std::uint32_t v)
    {
        U16(static_cast<std::uint16_t>(v & 0xFFFF));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    QByteArray Take() { return std::move(m_bytes); }

private:
    QByteArray m_bytes;
};

std::uint32_t ReadU32(const QByteArray& bytes, qsizetype at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

std::uint16_t ReadU16(const QByteArray& bytes, qsizetype at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

// Bit per weekday as the pattern keeps it: Sunday 0x01 ... Saturday 0x40.
std::uint32_t DayBit(const QDate& date) { return 1u << (date.dayOfWeek() % 7); }

std::uint32_t MaskOf(const QString& byDay)
{
    static const struct { const char* name; std::uint32_t bit; } kDays[] = {
        {"SU", 0x01}, {"MO", 0x02}, {"TU", 0x04}, {"WE", 0x08}, {"TH", 0x10}, {"FR", 0x20}, {"SA", 0x40}};
    std::uint32_t mask = 0;
    for (const QString& part : byDay.split(u',', Qt::SkipEmptyParts)) {
        bool known = false;
        for (const auto& d : kDays)
            if (part.trimmed().compare(QLatin1String(d.name), Qt::CaseInsensitive) == 0) {
                mask |= d.bit;
                known = true;
            }
        if (!known)
            return 0;
    }
    return mask;
}

// The service's three day sets are kept; any other day list repeats on the start's weekday.
std::uint32_t WeeklyMask(const QString& byDay, const QDate& start)
{
    const std::uint32_t mask = MaskOf(byDay);
    if (mask == 0x2A || mask == 0x14 || mask == 0x41)
        return mask;
    return DayBit(start);
}

// The day of the month in a month that may be shorter.
QDate ClampedDay(int year, int month, int day)
{
    const QDate first(year, month, 1);
    return QDate(year, month, std::min(day, first.daysInMonth()));
}

int MonthsBetween(const QDate& a, const QDate& b) { return (b.year() - a.year()) * 12 + (b.month() - a.month()); }

}  // namespace

std::uint32_t DateToMinutes(const QDate& date)
{
    return static_cast<std::uint32_t>(kEpoch.daysTo(date) * 1440);
}

QDate MinutesToDate(std::uint32_t minutes) { return kEpoch.addDays(minutes / 1440); }

QDate UntilDate(const QString& until)
{
    if (until.isEmpty() || until == kNoEnd)
        return {};
    QString digits = until.left(until.indexOf(u'T') < 0 ? until.size() : until.indexOf(u'T'));
    digits.remove(u'-');
    if (digits.size() != 8)
        return {};
    return QDate::fromString(digits, QStringLiteral("yyyyMMdd"));
}

std::uint32_t CountOccurrences(std::uint16_t frequency, std::uint32_t periodDays, std::uint32_t dayMask,
                               const QDate& start, const QDate& end)
{
    if (!start.isValid() || !end.isValid() || end < start)
        return 0;
    const qint64 days = start.daysTo(end) + 1;
    switch (frequency) {
    case kFreqDaily:
        return static_cast<std::uint32_t>((days - 1) / std::max<std::uint32_t>(periodDays, 1) + 1);
    case kFreqWeekly: {
        std::uint32_t count = static_cast<std::uint32_t>(days / 7) * std::popcount(dayMask & 0x7F);
        QDate d = start.addDays(days / 7 * 7);
        for (; d <= end; d = d.addDays(1))
            if (dayMask & DayBit(d))
                ++count;
        return count;
    }
    case kFreqMonthly: {
        const int months = MonthsBetween(start, end);
        return static_cast<std::uint32_t>(months + (ClampedDay(end.year(), end.month(), start.day()) <= end ? 1 : 0));
    }
    case kFreqYearly: {
        const int years = end.year() - start.year();
        QDate last = ClampedDay(end.year(), start.month(), start.day());
        return static_cast<std::uint32_t>(years + (last <= end ? 1 : 0));
    }
    default:
        return 0;
    }
}

OutlookRecurrence Build(const ServiceRule& rule, const QDateTime& startLocal, int durationMinutes)
{
    OutlookRecurrence out;
    const QDate start = startLocal.date();
    const std::uint32_t startDate = DateToMinutes(start);
    const QString freq = rule.freq.trimmed().toUpper();

    std::uint16_t frequency = 0, patternType = 0;
    std::uint32_t firstDateTime = 0, period = 0, periodDays = 0, mask = 0;
    bool dayOfMonth = false;
    if (freq == u"DAILY") {
        frequency = kFreqDaily;
        period = rule.interval.trimmed() == u"100" ? kEveryHundredDays : 1440;
        periodDays = period / 1440;
        // Occurrences fall on the days whose minute count leaves this remainder.
        firstDateTime = startDate % period;
        out.type = 1;
    } else if (freq == u"WEEKLY") {
        frequency = kFreqWeekly;
        patternType = 1;
        firstDateTime = 0x21C0;  // the first Sunday after 1 January 1601, for period 1 and FirstDOW Sunday
        period = 1;
        mask = WeeklyMask(rule.byDay, start);
        out.type = 2;
    } else if (freq == u"MONTHLY") {
        frequency = kFreqMonthly;
        patternType = 2;
        period = 1;
        dayOfMonth = true;
        out.type = 3;
    } else if (freq == u"YEARLY") {
        frequency = kFreqYearly;
        patternType = 2;
        firstDateTime = DateToMinutes(QDate(1601, start.month(), 1));
        period = 12;
        dayOfMonth = true;
        out.type = 4;
    } else {
        return out;  // not a rule this mapping knows: nothing is written
    }

    const QDate until = UntilDate(rule.until);
    LittleEndianWriter w;
    w.U16(0x3004);
    w.U16(0x3004);
    w.U16(frequency);
    w.U16(patternType);
    w.U16(0);  // Gregorian
    w.U32(firstDateTime);
    w.U32(period);
    w.U32(0);  // not sliding
    if (frequency == kFreqWeekly)
        w.U32(mask);
    else if (dayOfMonth)
        w.U32(static_cast<std::uint32_t>(start.day()));
    if (until.isValid()) {
        w.U32(kEndByDate);
        w.U32(CountOccurrences(frequency, periodDays, mask, start, until));
    } else {
        w.U32(kEndNever);
        w.U32(10);
    }
    w.U32(0);  // FirstDOW Sunday
    w.U32(0);  // deleted instances
    w.U32(0);  // modified instances
    w.U32(startDate);
    w.U32(until.isValid() ? DateToMinutes(until) : kNoEndDate);
    w.U32(0x3006);
    w.U32(0x3008);
    const std::uint32_t startOffset = static_cast<std::uint32_t>(startLocal.time().msecsSinceStartOfDay() / 60000);
    w.U32(startOffset);
    w.U32(startOffset + static_cast<std::uint32_t>(std::max(durationMinutes, 0)));
    w.U16(0);  // exceptions
    w.U32(0);  // reserved block 1
    w.U32(0);  // reserved block 2
    out.pattern = w.Take();
    out.clipEnd = until;
    return out;
}

std::optional<std::uint32_t> EndType(const QByteArray& pattern)
{
    if (pattern.size() < 22)
        return std::nullopt;
    qsizetype block = 0;
    switch (ReadU16(pattern, 6)) {
    case 0x0: block = 0; break;
    case 0x1: case 0x2: case 0x3: case 0xA: case 0xB: block = 4; break;
    case 0x4: case 0xC: block = 8; break;
    default: return std::nullopt;
    }
    if (pattern.size() < 22 + block + 4)
        return std::nullopt;
    return ReadU32(pattern, 22 + block);
}

QString ServiceRepeatType(std::int32_t recurrenceType, const QByteArray& pattern)
{
    switch (recurrenceType) {
    case 1:
        return pattern.size() >= 18 && ReadU32(pattern, 14) == kEveryHundredDays ? QStringLiteral("every100d")
                                                                                 : QStringLiteral("daily");
    case 2:
        if (pattern.size() >= 26) {
            switch (ReadU32(pattern, 22)) {
            case 0x2A: return QStringLiteral("mon_wed_fri");
            case 0x14: return QStringLiteral("tue_thu");
            case 0x41: return QStringLiteral("sat_sun");
            default: break;
            }
        }
        return QStringLiteral("weekly");
    case 3: return QStringLiteral("monthly");
    default: return QStringLiteral("yearly");
    }
}

}  // namespace recurrence
