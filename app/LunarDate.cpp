#include "app/LunarDate.h"

#include <QFile>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <cstdint>
#include <vector>

// The resource lives in a static library: nothing would pull it into the program otherwise.
// Q_INIT_RESOURCE declares its function where it is used, so this stays at file scope.
static void InitLunarResource()
{
    Q_INIT_RESOURCE(lunar);
}

namespace {

constexpr int kYears = kLunarLastYear - kLunarFirstYear + 1;

// Days from 1 January of year 1 (day 1) to 22 January 1841, the day before lunar 1841-01-01.
constexpr int kTableEpoch = 672068;

using YearCodes = std::array<std::uint8_t, 12>;

struct LunarTable {
    std::vector<YearCodes> years;  // empty when the resource could not be read
    std::vector<int> lengths;      // days in each lunar year
};

// Codes 1-6: the month's own length, and the length of the leap month after it (0 for none).
int NormalLength(int nCode)
{
    return (nCode == 1 || nCode == 3 || nCode == 4) ? 29 : 30;
}

int LeapLength(int nCode)
{
    switch (nCode) {
    case 3:
    case 5:
        return 29;
    case 4:
    case 6:
        return 30;
    default:
        return 0;
    }
}

// One line per lunar year in order, "YEAR c1 ... c12"; '#' starts a comment line. Anything else
// leaves the table empty, so a damaged resource converts nothing rather than wrong dates.
LunarTable ReadTable()
{
    InitLunarResource();
    LunarTable table;
    QFile file(QStringLiteral(":/lunar/months.txt"));
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("lunar month table: cannot read the resource");
        return table;
    }
    const QList<QByteArray> lines = file.readAll().split('\n');
    std::vector<YearCodes> years;
    for (const QByteArray& raw : lines) {
        const QByteArray line = raw.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const QList<QByteArray> fields = line.simplified().split(' ');
        bool bOk = fields.size() == 13 && fields[0].toInt() == kLunarFirstYear + int(years.size());
        YearCodes codes{};
        for (int i = 0; bOk && i < 12; ++i) {
            const int nCode = fields[i + 1].toInt(&bOk);
            bOk = bOk && nCode >= 1 && nCode <= 6;
            codes[size_t(i)] = std::uint8_t(nCode);
        }
        if (!bOk || int(years.size()) == kYears) {
            qWarning("lunar month table: bad line \"%s\"", line.constData());
            return table;
        }
        years.push_back(codes);
    }
    if (int(years.size()) != kYears) {
        qWarning("lunar month table: %d years instead of %d", int(years.size()), kYears);
        return table;
    }
    for (const YearCodes& codes : years) {
        int nLength = 0;
        for (const std::uint8_t code : codes)
            nLength += NormalLength(code) + LeapLength(code);
        table.lengths.push_back(nLength);
    }
    table.years = std::move(years);
    return table;
}

const LunarTable& Table()
{
    static const LunarTable table = ReadTable();
    return table;
}

bool IsLeapYear(int nYear)
{
    return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
}

int DaysInMonth(int nYear, int nMonth)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return nMonth == 2 && IsLeapYear(nYear) ? 29 : kDays[nMonth - 1];
}

// The day's number counted from 1 January of year 1, proleptic Gregorian.
int DayNumber(int nYear, int nMonth, int nDay)
{
    const int y = nYear - 1;
    int n = 365 * y + y / 4 - y / 100 + y / 400 + nDay;
    for (int m = 1; m < nMonth; ++m)
        n += DaysInMonth(nYear, m);
    return n;
}

}  // namespace

std::optional<SLunarDate> ToLunarDate(int nDay, int nYear, int nMonth, QString* pstrRangeMessage)
{
    if (pstrRangeMessage)
        pstrRangeMessage->clear();
    // Gregorian January 2044 still lies in lunar 2043; the walk below ends the range exactly.
    if (nYear < kLunarFirstYear || nYear > kLunarLastYear + 1)
        return std::nullopt;
    if (nMonth < 1 || nMonth > 12) {
        if (pstrRangeMessage)
            *pstrRangeMessage = QStringLiteral("1 ~ 12 사이 값을 입력하세요.");
        return std::nullopt;
    }
    const int nDays = DaysInMonth(nYear, nMonth);
    if (nDay < 1 || nDay > nDays) {
        if (pstrRangeMessage)
            *pstrRangeMessage = QString::asprintf("1 ~ %d 사이 값을 입력하세요.", nDays);
        return std::nullopt;
    }

    const LunarTable& table = Table();
    int n = DayNumber(nYear, nMonth, nDay) - kTableEpoch;
    if (n < 1 || table.years.empty())  // 1-22 January 1841 come before the table
        return std::nullopt;

    size_t nIndex = 0;
    while (nIndex < table.lengths.size() && table.lengths[nIndex] < n)
        n -= table.lengths[nIndex++];
    if (nIndex == table.lengths.size())  // after the last day of lunar 2043
        return std::nullopt;

    const YearCodes& codes = table.years[nIndex];
    const int nLunarYear = kLunarFirstYear + int(nIndex);
    for (int i = 0; i < 12; ++i) {
        const int nNormal = NormalLength(codes[size_t(i)]);
        const int nLeap = LeapLength(codes[size_t(i)]);
        if (n <= nNormal)
            return SLunarDate{nLunarYear, i + 1, n, false};
        if (n - nNormal <= nLeap)
            return SLunarDate{nLunarYear, i + 1, n - nNormal, true};
        n -= nNormal + nLeap;
    }
    return std::nullopt;  // not reached: the year's length is the sum of its months
}
