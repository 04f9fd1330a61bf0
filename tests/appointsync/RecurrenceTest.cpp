// The recurrence pattern the engine writes, checked with a decoder written from the published
// layout, and the engine's reading of patterns, including the published example patterns.
#include <gtest/gtest.h>

#include <QDateTime>

#include "PatternDecoder.h"
#include "syncengine/MAPISync.h"
#include "syncengine/Recurrence.h"

using patterndecoder::Decode;

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

std::uint32_t Minutes(const QDate& d) { return std::uint32_t(QDate(1601, 1, 1).daysTo(d) * 1440); }

// Occurrence dates by brute force over every day, from the meaning of each repeat type.
std::uint32_t CountByWalk(const QString& type, const QDate& start, const QDate& until)
{
    std::uint32_t n = 0;
    for (QDate d = start; d <= until; d = d.addDays(1)) {
        const int dow = d.dayOfWeek() % 7;  // 0 = Sunday
        const int day = std::min(start.day(), d.daysInMonth());
        bool hit = false;
        if (type == "daily") hit = true;
        else if (type == "every100d") hit = start.daysTo(d) % 100 == 0;
        else if (type == "mon_wed_fri") hit = dow == 1 || dow == 3 || dow == 5;
        else if (type == "tue_thu") hit = dow == 2 || dow == 4;
        else if (type == "sat_sun") hit = dow == 0 || dow == 6;
        else if (type == "weekly") hit = dow == start.dayOfWeek() % 7;
        else if (type == "monthly") hit = d.day() == day;
        else if (type == "yearly") hit = d.month() == start.month() && d.day() == day;
        n += hit;
    }
    return n;
}

struct BuildCase {
    const char* name;
    recurrence::ServiceRule rule;
    QDateTime start;  // Asia/Seoul wall time
    int minutes;
    const char* serviceType;
    std::uint16_t frequency, patternType;
    std::uint32_t period;
    std::vector<std::uint32_t> specific;
    std::int32_t recurrenceType;
};

QDateTime At(int y, int m, int d, int h = 9, int min = 0) { return QDateTime(QDate(y, m, d), QTime(h, min), Qt::UTC); }

const std::vector<BuildCase>& BuildCases()
{
    static const std::vector<BuildCase> cases = {
        {"every100d", {"DAILY", "100", "", ""}, At(2007, 11, 21), 60, "every100d", 0x200A, 0, 144000, {}, 1},
        {"daily", {"DAILY", "", "", ""}, At(2007, 11, 21, 23, 30), 90, "daily", 0x200A, 0, 1440, {}, 1},
        {"mon_wed_fri", {"WEEKLY", "", "MO,WE,FR", ""}, At(2007, 11, 19), 60, "mon_wed_fri", 0x200B, 1, 1, {0x2A}, 2},
        {"tue_thu", {"WEEKLY", "", "TU,TH", ""}, At(2007, 11, 20), 30, "tue_thu", 0x200B, 1, 1, {0x14}, 2},
        {"sat_sun", {"WEEKLY", "", "SU,SA", ""}, At(2007, 11, 24), 45, "sat_sun", 0x200B, 1, 1, {0x41}, 2},
        {"weekly on a Saturday", {"weekly", "", "", ""}, At(2007, 11, 24), 60, "weekly", 0x200B, 1, 1, {0x40}, 2},
        {"weekly on a Monday", {"WEEKLY", "", "MO", ""}, At(2007, 11, 19), 60, "weekly", 0x200B, 1, 1, {0x02}, 2},
        {"monthly on the 31st", {"MONTHLY", "", "", ""}, At(2008, 1, 31), 60, "monthly", 0x200C, 2, 1, {31}, 3},
        {"yearly all day", {"YEARLY", "", "", ""}, At(2008, 2, 29, 0, 0), 1440, "yearly", 0x200D, 2, 12, {29}, 4},
    };
    return cases;
}

}  // namespace

// Every repeat type, with and without an end, decodes to a valid pattern of the same series.
TEST(RecurrenceWrite, EveryRepeatTypeDecodesToTheSameSeries)
{
    for (const BuildCase& c : BuildCases()) {
        for (const QString& until : {QString(), recurrence::kNoEnd, QStringLiteral("2009-03-31"), QStringLiteral("20090331")}) {
            SCOPED_TRACE(std::string(c.name) + " until " + until.toStdString());
            recurrence::ServiceRule rule = c.rule;
            rule.until = until;
            const recurrence::OutlookRecurrence out = recurrence::Build(rule, c.start, c.minutes);
            ASSERT_FALSE(out.pattern.isEmpty());
            const auto p = Decode(out.pattern);
            ASSERT_TRUE(p);
            EXPECT_EQ(p->consumed, std::size_t(out.pattern.size())) << "nothing after the last field";
            EXPECT_EQ(p->readerVersion, 0x3004);
            EXPECT_EQ(p->writerVersion, 0x3004);
            EXPECT_EQ(p->recurFrequency, c.frequency);
            EXPECT_EQ(p->patternType, c.patternType);
            EXPECT_EQ(p->calendarType, 0);
            EXPECT_EQ(p->period, c.period);
            EXPECT_EQ(p->slidingFlag, 0u);
            EXPECT_EQ(p->patternTypeSpecific, c.specific);
            EXPECT_EQ(p->firstDOW, 0u);
            EXPECT_TRUE(p->deletedInstanceDates.empty());
            EXPECT_TRUE(p->modifiedInstanceDates.empty());
            const QDate start = c.start.date();
            EXPECT_EQ(p->startDate, Minutes(start));
            // FirstDateTime as the layout defines it for each frequency.
            std::uint32_t first = 0;
            if (c.frequency == 0x200A)
                first = p->startDate % p->period;
            else if (c.frequency == 0x200B)
                first = 6 * 1440;  // Sunday 7 January 1601, the first FirstDOW day (period 1)
            else if (c.frequency == 0x200D)
                first = Minutes(QDate(1601, start.month(), 1));
            EXPECT_EQ(p->firstDateTime, first);
            EXPECT_EQ(p->readerVersion2, 0x3006u);
            EXPECT_EQ(p->writerVersion2, 0x3008u);
            const std::uint32_t offset = std::uint32_t(c.start.time().hour() * 60 + c.start.time().minute());
            EXPECT_EQ(p->startTimeOffset, offset);
            EXPECT_EQ(p->endTimeOffset, offset + std::uint32_t(c.minutes));
            EXPECT_EQ(p->exceptionCount, 0);
            EXPECT_EQ(p->reservedBlock1Size, 0u);
            EXPECT_EQ(p->reservedBlock2Size, 0u);
            EXPECT_EQ(out.type, c.recurrenceType);

            const QDate end(2009, 3, 31);
            if (until.isEmpty() || until == recurrence::kNoEnd) {
                EXPECT_EQ(p->endType, 0x2023u);
                EXPECT_EQ(p->occurrenceCount, 10u);
                EXPECT_EQ(p->endDate, 0x5AE980DFu);
                EXPECT_FALSE(out.clipEnd.isValid());
            } else {
                EXPECT_EQ(p->endType, 0x2021u);
                EXPECT_EQ(p->endDate, Minutes(end));
                EXPECT_EQ(p->occurrenceCount, CountByWalk(c.serviceType, start, end));
                EXPECT_EQ(out.clipEnd, end);
            }
            // The engine's own reading gives the service type and the end type back.
            EXPECT_EQ(recurrence::ServiceRepeatType(out.type, out.pattern), c.serviceType);
            EXPECT_EQ(recurrence::EndType(out.pattern), p->endType);
        }
    }
}

// Every hundred days: occurrences fall where the day's minutes leave FirstDateTime modulo the
// period, so FirstDateTime depends on the start (the fixed E0A50100 fits one start in a hundred).
TEST(RecurrenceWrite, EveryHundredDaysPlacesTheSeriesOnItsStartDay)
{
    for (const QDate start : {QDate(2007, 11, 21), QDate(2008, 1, 1), QDate(2010, 6, 15), QDate(2026, 12, 10)}) {
        const auto out = recurrence::Build({"DAILY", "100", "", ""}, QDateTime(start, QTime(8, 0), Qt::UTC), 60);
        const auto p = Decode(out.pattern);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->period, 144000u);
        EXPECT_EQ((Minutes(start) - p->firstDateTime) % 144000, 0u) << start.toString(Qt::ISODate).toStdString();
        EXPECT_EQ((Minutes(start.addDays(100)) - p->firstDateTime) % 144000, 0u);
        EXPECT_NE((Minutes(start.addDays(1)) - p->firstDateTime) % 144000, 0u);
        EXPECT_EQ(recurrence::ServiceRepeatType(1, out.pattern), "every100d");
    }
    // Outlook's own every-100-days series with another FirstDateTime still reads as such.
    QByteArray outlooks = recurrence::Build({"DAILY", "100", "", ""}, At(2008, 1, 1), 60).pattern;
    outlooks[10] = 0x11;
    EXPECT_EQ(recurrence::ServiceRepeatType(1, outlooks), "every100d");
}

TEST(RecurrenceWrite, OccurrencesCountAsOutlookCountsThem)
{
    struct Case {
        const char* type;
        recurrence::ServiceRule rule;
        QDate start, until;
        std::uint32_t count;
    } cases[] = {
        {"monthly, 31st, short months fall on their last day", {"MONTHLY", "", "", ""}, {2008, 1, 31}, {2008, 6, 30}, 6},
        {"monthly, 31st, ending before June's last day", {"MONTHLY", "", "", ""}, {2008, 1, 31}, {2008, 6, 29}, 5},
        {"yearly on 29 February", {"YEARLY", "", "", ""}, {2008, 2, 29}, {2012, 2, 28}, 4},
        {"every 100 days over a leap year", {"DAILY", "100", "", ""}, {2008, 1, 1}, {2008, 12, 31}, 4},
        {"Monday, Wednesday, Friday over two weeks", {"WEEKLY", "", "MO,WE,FR", ""}, {2008, 1, 7}, {2008, 1, 18}, 6},
        {"Tuesday and Thursday from a Monday", {"WEEKLY", "", "TU,TH", ""}, {2008, 1, 7}, {2008, 1, 10}, 2},
        {"daily, a single day", {"DAILY", "", "", ""}, {2008, 1, 7}, {2008, 1, 7}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        recurrence::ServiceRule rule = c.rule;
        rule.until = c.until.toString(Qt::ISODate);
        const auto p = Decode(recurrence::Build(rule, QDateTime(c.start, QTime(10, 0), Qt::UTC), 30).pattern);
        ASSERT_TRUE(p);
        EXPECT_EQ(p->occurrenceCount, c.count);
    }
}

TEST(RecurrenceWrite, UnknownRuleWritesNothing)
{
    EXPECT_TRUE(recurrence::Build({"HOURLY", "", "", ""}, At(2008, 1, 1), 60).pattern.isEmpty());
    EXPECT_TRUE(recurrence::Build({"", "", "", ""}, At(2008, 1, 1), 60).pattern.isEmpty());
}

// The published example patterns: a daily series ending by date (with deleted instances) and a
// weekly one ending after 12 occurrences (with an exception).
TEST(RecurrenceRead, PublishedExamplePatterns)
{
    const QByteArray daily = Hex(
        "043004300A2000000000A0050000E010000000000000212000000A0000000000000002000000A0C1DC0C80D2DC0C00000000207EDC0C"
        "0016DD0C0630000009300000E0010000FE01000000000000000000000000");
    const auto d = Decode(daily);
    ASSERT_TRUE(d);
    EXPECT_EQ(d->consumed, std::size_t(daily.size()));
    EXPECT_EQ(d->period, 4320u);
    EXPECT_EQ(d->firstDateTime, d->startDate % d->period);
    EXPECT_EQ(recurrence::MinutesToDate(d->startDate), QDate(2011, 4, 7));
    EXPECT_EQ(recurrence::MinutesToDate(d->endDate), QDate(2011, 5, 4));
    EXPECT_EQ(d->occurrenceCount, 10u);
    EXPECT_EQ(d->deletedInstanceDates.size(), 2u);
    EXPECT_EQ(d->startTimeOffset, 480u);
    // The end type of a daily pattern sits at byte 22; byte 26 is the occurrence count's low byte.
    EXPECT_EQ(recurrence::EndType(daily), 0x2021u);
    EXPECT_EQ(static_cast<unsigned char>(daily[26]), 0x0A);
    EXPECT_EQ(recurrence::ServiceRepeatType(1, daily), "daily");
    EXPECT_EQ(recurrence::CountOccurrences(recurrence::kFreqDaily, 3, 0, QDate(2011, 4, 7), QDate(2011, 5, 4)), 10u);

    const QByteArray weekly = Hex(
        "043004300B2001000000C0210000010000000000000032000000222000000C0000000000000001000000A096BC0C01000000A096BC0C"
        "8020BC0C20ADBC0C0630000009300000580200007602000001003499BC0C5299BC0CF898BC0C11002200210053696D706C652052656375"
        "7272656E6365207769746820657863657074696F6E730800070033342F34313431000000000400000000000000000000003499BC0C5299"
        "BC0CF898BC0C2100530069006D0070006C006500200052006500630075007200720065006E00630065002000770069007400680020006500"
        "7800630065007000740069006F006E0073000700330034002F0034003100340031000000000000000000");
    const auto w = Decode(weekly);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->patternTypeSpecific, std::vector<std::uint32_t>{0x32});
    EXPECT_EQ(w->endType, 0x2022u);
    EXPECT_EQ(w->occurrenceCount, 12u);
    EXPECT_EQ(w->exceptionCount, 1);
    EXPECT_EQ(recurrence::EndType(weekly), 0x2022u);
    EXPECT_EQ(recurrence::ServiceRepeatType(2, weekly), "weekly") << "Monday, Thursday, Friday is no service set";
}

TEST(RecurrenceRead, EndTypeFollowsThePatternSpecificBlock)
{
    // Header of 22 bytes with the given pattern type, a block, then the end type.
    const auto make = [](std::uint16_t type, int blockBytes) {
        QByteArray b(22 + blockBytes + 8, '\0');
        b[6] = char(type & 0xFF);
        b[22 + blockBytes] = 0x23;
        b[22 + blockBytes + 1] = 0x20;
        return b;
    };
    EXPECT_EQ(recurrence::EndType(make(0, 0)), 0x2023u);
    EXPECT_EQ(recurrence::EndType(make(1, 4)), 0x2023u);
    EXPECT_EQ(recurrence::EndType(make(2, 4)), 0x2023u);
    EXPECT_EQ(recurrence::EndType(make(4, 8)), 0x2023u) << "MonthNth: day bits and week number";
    EXPECT_EQ(recurrence::EndType(make(0xC, 8)), 0x2023u);
    EXPECT_FALSE(recurrence::EndType(QByteArray(20, '\0')));
    EXPECT_FALSE(recurrence::EndType(make(7, 4))) << "unknown pattern type";
}

TEST(RecurrenceRead, MissingPatternDecidesByTheTypeAlone)
{
    const struct { std::int32_t type; const char* freq; } cases[] = {
        {1, "daily"}, {2, "weekly"}, {3, "monthly"}, {4, "yearly"}, {0, "yearly"}, {99, "yearly"}};
    for (const auto& c : cases)
        EXPECT_EQ(recurrence::ServiceRepeatType(c.type, QByteArray()), c.freq) << c.type;
}

TEST(RecurrenceMinutes, DateAndMinutesConvertBothWays)
{
    SYSTEMTIME st{};
    st.wYear = 1601; st.wMonth = 1; st.wDay = 2;
    EXPECT_EQ(CMAPISync::ConvertRecurrenceDateToMinutes(st), 1440u);
    st.wYear = 2011; st.wMonth = 4; st.wDay = 7;
    EXPECT_EQ(CMAPISync::ConvertRecurrenceDateToMinutes(st), 0x0CDC7E20u);
    const SYSTEMTIME back = CMAPISync::ConvertRecurrenceMinutesToDate(0x0CDC7E20u + 480);
    EXPECT_EQ(back.wYear, 2011);
    EXPECT_EQ(back.wMonth, 4);
    EXPECT_EQ(back.wDay, 7);
    EXPECT_EQ(back.wHour, 8);
    EXPECT_EQ(CMAPISync::ReverseHexString(QString::asprintf("%08X", 1440)), "A0050000");
}
