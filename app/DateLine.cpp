#include "app/DateLine.h"

#include "app/LunarDate.h"

QString FormatDateLine(const QDateTime& localNow)
{
    // Sunday first; Qt counts Monday as 1 and Sunday as 7.
    static const char* const kWeekdays[7] = {"일", "월", "화", "수", "목", "금", "토"};
    const QDate date = localNow.date();
    const QTime time = localNow.time();
    const int nHour = time.hour();
    const bool bAfternoon = nHour >= 13;
    QString strLine = QString::asprintf("%d년 %d월 %d일 %s요일 %s%2d시%2d분", date.year(), date.month(), date.day(),
                                        kWeekdays[date.dayOfWeek() % 7], bAfternoon ? "오후" : "오전",
                                        bAfternoon ? nHour - 12 : nHour, time.minute());
    // Only today's own conversion: a stale or missing lunar date is never shown.
    if (const std::optional<SLunarDate> lunar = ToLunarDate(date.day(), date.year(), date.month()))
        strLine += QString::asprintf("  (음력 %d/%d)", lunar->month, lunar->day);
    return strLine;
}

QString CurrentDateLine()
{
    return FormatDateLine(QDateTime::currentDateTime());
}
