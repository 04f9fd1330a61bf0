#include <gtest/gtest.h>

#include <QDateTime>

#include "app/DateLine.h"

namespace {

QDateTime At(int y, int m, int d, int h, int min)
{
    return QDateTime(QDate(y, m, d), QTime(h, min));
}

TEST(DateLine, ClockPart)
{
    const struct {
        int hour, minute;
        const char* clock;
    } cases[] = {
        {0, 0, "오전 0시 0분"},   {0, 30, "오전 0시30분"},   {9, 7, "오전 9시 7분"},
        {11, 59, "오전11시59분"}, {12, 5, "오전12시 5분"},   {12, 59, "오전12시59분"},
        {13, 0, "오후 1시 0분"},  {21, 10, "오후 9시10분"},  {23, 59, "오후11시59분"},
    };
    for (const auto& c : cases) {
        const QString strLine = FormatDateLine(At(2024, 2, 10, c.hour, c.minute));
        const QString strExpected = QStringLiteral("2024년 2월 10일 토요일 ") + QString::fromUtf8(c.clock) +
                                    QStringLiteral("  (음력 1/1)");
        EXPECT_EQ(strLine, strExpected) << c.hour << ":" << c.minute;
    }
}

TEST(DateLine, WholeLines)
{
    const struct {
        QDateTime now;
        const char* line;
    } cases[] = {
        // One week, Sunday to Saturday, across a lunar month's end.
        {At(2024, 2, 4, 8, 0), "2024년 2월 4일 일요일 오전 8시 0분  (음력 12/25)"},
        {At(2024, 2, 5, 8, 0), "2024년 2월 5일 월요일 오전 8시 0분  (음력 12/26)"},
        {At(2024, 2, 6, 8, 0), "2024년 2월 6일 화요일 오전 8시 0분  (음력 12/27)"},
        {At(2024, 2, 7, 8, 0), "2024년 2월 7일 수요일 오전 8시 0분  (음력 12/28)"},
        {At(2024, 2, 8, 8, 0), "2024년 2월 8일 목요일 오전 8시 0분  (음력 12/29)"},
        {At(2024, 2, 9, 8, 0), "2024년 2월 9일 금요일 오전 8시 0분  (음력 12/30)"},
        {At(2024, 2, 10, 8, 0), "2024년 2월 10일 토요일 오전 8시 0분  (음력 1/1)"},
        {At(2007, 11, 21, 15, 45), "2007년 11월 21일 수요일 오후 3시45분  (음력 10/12)"},
        // A leap month shows its number alone.
        {At(2020, 5, 23, 10, 30), "2020년 5월 23일 토요일 오전10시30분  (음력 4/1)"},
        // Outside the table the lunar part is left out, never a stale one.
        {At(2050, 3, 1, 12, 5), "2050년 3월 1일 화요일 오전12시 5분"},
        {At(1841, 1, 22, 23, 0), "1841년 1월 22일 금요일 오후11시 0분"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateLine(c.now), QString::fromUtf8(c.line)) << c.line;
}

}  // namespace
