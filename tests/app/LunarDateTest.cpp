#include <gtest/gtest.h>

#include <QDate>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/LunarDate.h"

namespace {

// The data file, read here on its own terms, so the conversion is checked against the table
// and not against itself.
struct TableRow {
    int year;
    std::vector<int> codes;
};

std::vector<TableRow> ReadDataFile()
{
    std::vector<TableRow> rows;
    std::ifstream in(LUNAR_TABLE_FILE);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        TableRow row{};
        fields >> row.year;
        for (int code; fields >> code;)
            row.codes.push_back(code);
        rows.push_back(row);
    }
    return rows;
}

struct LunarMonth {
    int year, month;
    bool leap;
    int days;
};

// Every lunar month of the table in calendar order, leap months after their namesakes.
std::vector<LunarMonth> ExpandMonths(const std::vector<TableRow>& rows)
{
    std::vector<LunarMonth> months;
    for (const TableRow& row : rows) {
        for (size_t i = 0; i < row.codes.size(); ++i) {
            const int code = row.codes[i], month = int(i) + 1;
            months.push_back({row.year, month, false, (code == 2 || code == 5 || code == 6) ? 30 : 29});
            if (code >= 3)
                months.push_back({row.year, month, true, (code == 4 || code == 6) ? 30 : 29});
        }
    }
    return months;
}

std::string Text(const std::optional<SLunarDate>& d)
{
    if (!d)
        return "nothing";
    return std::to_string(d->year) + "/" + std::to_string(d->month) + (d->leap ? "L" : "") + "/" +
           std::to_string(d->day);
}

std::optional<SLunarDate> Convert(const QDate& date)
{
    return ToLunarDate(date.day(), date.year(), date.month());
}

TEST(LunarTable, DataFileHoldsTheKnownRowsAndPlausibleYears)
{
    const std::vector<TableRow> rows = ReadDataFile();
    ASSERT_EQ(rows.size(), 203u);
    const struct {
        size_t index;
        TableRow row;
    } known[] = {
        {0, {1841, {1, 2, 4, 1, 1, 2, 1, 2, 1, 2, 2, 1}}},
        {1, {1842, {2, 2, 1, 2, 1, 1, 2, 1, 2, 1, 2, 1}}},
        {2, {1843, {2, 2, 2, 1, 2, 1, 4, 1, 2, 1, 2, 1}}},
        {202, {2043, {1, 2, 1, 1, 2, 1, 1, 2, 2, 1, 2, 2}}},
    };
    for (const auto& k : known) {
        EXPECT_EQ(rows[k.index].year, k.row.year);
        EXPECT_EQ(rows[k.index].codes, k.row.codes) << k.row.year;
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        const TableRow& row = rows[i];
        SCOPED_TRACE(row.year);
        EXPECT_EQ(row.year, 1841 + int(i));
        ASSERT_EQ(row.codes.size(), 12u);
        int leapMonths = 0, days = 0;
        for (const int code : row.codes) {
            ASSERT_TRUE(code >= 1 && code <= 6);
            leapMonths += code >= 3;
            days += (code == 2 || code == 5 || code == 6 ? 30 : 29) + (code == 4 || code == 6 ? 30 : 0) +
                    (code == 3 || code == 5 ? 29 : 0);
        }
        // A lunisolar year has 12 months of 353-355 days or 13 of 383-385.
        EXPECT_LE(leapMonths, 1);
        if (leapMonths == 0)
            EXPECT_TRUE(days >= 353 && days <= 355) << days;
        else
            EXPECT_TRUE(days >= 383 && days <= 385) << days;
    }
}

// Every day the table covers, in order: each step is the next lunar day, day 1 opens every
// month, months and leap months follow the codes, and the years' lengths add up to the span
// from 1841-01-23 to 2044-01-29.
TEST(LunarTable, EveryDayOfTheTableConverts)
{
    const std::vector<LunarMonth> months = ExpandMonths(ReadDataFile());
    ASSERT_FALSE(months.empty());
    QDate date(1841, 1, 23);
    long long totalDays = 0;
    for (const LunarMonth& m : months) {
        for (int day = 1; day <= m.days; ++day, date = date.addDays(1), ++totalDays) {
            const std::optional<SLunarDate> got = Convert(date);
            const bool bMatch = got && got->year == m.year && got->month == m.month && got->day == day &&
                                got->leap == m.leap;
            // The first wrong day says enough; 74,000 more would bury it.
            ASSERT_TRUE(bMatch) << date.toString(Qt::ISODate).toStdString() << " gave " << Text(got)
                                << ", expected " << m.year << "/" << m.month << (m.leap ? "L" : "") << "/" << day;
        }
    }
    EXPECT_EQ(date, QDate(2044, 1, 30));
    EXPECT_EQ(totalDays, QDate(1841, 1, 23).daysTo(QDate(2044, 1, 30)));
    EXPECT_FALSE(Convert(date).has_value());
}

TEST(LunarDate, KnownDays)
{
    const struct {
        int year, month, day;
        std::optional<SLunarDate> lunar;
        const char* why;
    } cases[] = {
        {1841, 1, 23, SLunarDate{1841, 1, 1, false}, "first day of the table"},
        {1841, 1, 22, std::nullopt, "the day before the table"},
        {1841, 1, 1, std::nullopt, "before the table, same year"},
        {1840, 12, 31, std::nullopt, "year before the table"},
        {2044, 1, 29, SLunarDate{2043, 12, 30, false}, "last day of the table"},
        {2044, 1, 30, std::nullopt, "the day after the table"},
        {2044, 12, 31, std::nullopt, "end of the year after the table"},
        {2050, 3, 1, std::nullopt, "far after the table"},
        {2007, 11, 21, SLunarDate{2007, 10, 12, false}, "autumn 2007"},
        {2020, 5, 23, SLunarDate{2020, 4, 1, true}, "the leap fourth month of 2020"},
        {2020, 4, 23, SLunarDate{2020, 4, 1, false}, "the fourth month before it"},
        {2000, 2, 5, SLunarDate{2000, 1, 1, false}, "new year 2000"},
        {2007, 2, 18, SLunarDate{2007, 1, 1, false}, "new year 2007"},
        {2024, 2, 10, SLunarDate{2024, 1, 1, false}, "new year 2024"},
        {2024, 2, 9, SLunarDate{2023, 12, 30, false}, "new year's eve 2024"},
        {2025, 1, 29, SLunarDate{2025, 1, 1, false}, "new year 2025"},
        {2026, 2, 17, SLunarDate{2026, 1, 1, false}, "new year 2026"},
        {2024, 5, 15, SLunarDate{2024, 4, 8, false}, "Buddha's birthday 2024"},
        {2024, 9, 17, SLunarDate{2024, 8, 15, false}, "harvest festival 2024"},
        {2025, 10, 6, SLunarDate{2025, 8, 15, false}, "harvest festival 2025"},
        {2000, 2, 29, SLunarDate{2000, 1, 25, false}, "29 February of a leap century"},
    };
    for (const auto& c : cases) {
        QString strMessage = QStringLiteral("stale");
        const std::optional<SLunarDate> got = ToLunarDate(c.day, c.year, c.month, &strMessage);
        EXPECT_EQ(Text(got), Text(c.lunar)) << c.why;
        EXPECT_TRUE(strMessage.isEmpty()) << c.why;
    }
}

TEST(LunarDate, OutOfRangeInputAsksForAValueInRange)
{
    const struct {
        int year, month, day;
        const char* message;
    } cases[] = {
        {1900, 2, 29, "1 ~ 28 사이 값을 입력하세요."},
        {2023, 2, 29, "1 ~ 28 사이 값을 입력하세요."},
        {2024, 2, 30, "1 ~ 29 사이 값을 입력하세요."},
        {2023, 4, 31, "1 ~ 30 사이 값을 입력하세요."},
        {2023, 1, 0, "1 ~ 31 사이 값을 입력하세요."},
        {2023, 12, 32, "1 ~ 31 사이 값을 입력하세요."},
        {2023, 13, 1, "1 ~ 12 사이 값을 입력하세요."},
        {2023, 0, 1, "1 ~ 12 사이 값을 입력하세요."},
        {2023, -1, 40, "1 ~ 12 사이 값을 입력하세요."},  // the month is checked first
        // Outside the table's years nothing is asked.
        {1840, 13, 1, ""},
        {2050, 2, 30, ""},
    };
    for (const auto& c : cases) {
        const QString strWhat = QStringLiteral("%1-%2-%3").arg(c.year).arg(c.month).arg(c.day);
        QString strMessage;
        EXPECT_FALSE(ToLunarDate(c.day, c.year, c.month, &strMessage).has_value()) << strWhat.toStdString();
        EXPECT_EQ(strMessage, QString::fromUtf8(c.message)) << strWhat.toStdString();
        // Without a place for the message the answer is the same.
        EXPECT_FALSE(ToLunarDate(c.day, c.year, c.month).has_value()) << strWhat.toStdString();
    }
}

}  // namespace
