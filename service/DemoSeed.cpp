#include "service/DemoSeed.h"

#include <vector>

#include "service/TamoService.h"

namespace tamo::service {

namespace {

struct SEventSeed {
    const char* title;
    const char* description;
    int calendar;  // index into the seeded calendars
    int dayOffset;
    int startMinute;  // -1: all day
    int minutes;      // length; days for all-day events
    const char* repeat;
    int untilOffset;  // days after today; 0: no end
    int alarm;        // seconds; -1: none
};

struct STodoSeed {
    const char* title;
    const char* description;
    int dueOffset;  // days after today; -99: no due date
    int priority;
    int alarm;
    bool completed;
    int parent;  // index of the parent to-do; -1: none
};

const SEventSeed kEvents[] = {
    {"팀 주간 회의", "회의실 A\r\n안건: 일정 공유", 0, 0, 10 * 60, 60, "", 0, 600},
    {"점심 약속, 김 과장; 강남역", "", 0, 0, 12 * 60 + 30, 90, "", 0, -1},
    {"프로젝트 마감", "", 1, 2, -1, 1, "", 0, 86400},
    {"제주도 가족 여행", "항공권 확인\r\n숙소: 서귀포", 2, 10, -1, 3, "", 0, 604800},
    {"아침 운동", "", 0, -3, 7 * 60, 60, "daily", 30, 300},
    {"백일 기념일", "", 2, -30, -1, 1, "every100d", 0, -1},
    {"수영 강습", "", 0, -7, 19 * 60, 60, "mon_wed_fri", 60, 1800},
    {"영어 학원", "", 0, -7, 20 * 60, 90, "tue_thu", 0, 900},
    {"주말 등산", "북한산", 2, -7, 8 * 60, 240, "sat_sun", 0, 3600},
    {"주간 보고", "", 1, -14, 16 * 60, 30, "weekly", 90, 600},
    {"월세 납부", "", 0, -20, -1, 1, "monthly", 0, 86400},
    {"엄마 생신", "케이크 예약", 2, -40, -1, 1, "yearly", 0, 604800},
};

const STodoSeed kTodos[] = {
    {"보고서 작성", "3분기 실적\r\n표와 그림 포함", 2, 5, 86400, false, -1},
    {"자료 조사", "", 1, 3, -1, false, 0},
    {"장보기", "우유, 달걀; 빵", -99, 3, -1, false, -1},
    {"도서관 책 반납", "", -1, 2, -1, true, -1},
    {"치과 예약 전화", "", 0, 4, 600, false, -1},
    {"여권 갱신", "", 30, 1, -1, false, -1},
};

}  // namespace

bool SeedDemoAccount(CServiceDatabase& database, const CServiceClock& clock, std::string& error)
{
    if (database.FindAccount(kDemoLogin))
        return true;
    const auto accountId = database.CreateAccount(kDemoLogin, kDemoPassword);
    if (!accountId) {
        error = database.LastError();
        return false;
    }
    const SCalendar calendars[] = {
        {0, *accountId, "내 캘린더", "#FF8000", 0},
        {0, *accountId, "회사", "#3A7", 0},
        {0, *accountId, "가족", "#3366CC", 0},
        {0, *accountId, "공휴일", "#E33", 1},
    };
    std::vector<std::int64_t> calendarIds;
    for (const SCalendar& calendar : calendars) {
        const auto id = database.CreateCalendar(calendar);
        if (!id) {
            error = database.LastError();
            return false;
        }
        calendarIds.push_back(*id);
    }
    (void)database.SetDefaultCalendar(*accountId, calendarIds[0]);
    SPreferences preferences;
    preferences.categoryId = calendarIds[0];
    preferences.todoCheck = true;
    (void)database.SavePreferences(*accountId, preferences);

    const SWallTime now = clock.Now();
    const QDate today = now.date;
    const std::string stamp = FormatStamp(now);
    std::vector<SItem> items;
    int serial = 0;
    auto uid = [&serial] { return "demo-" + std::to_string(++serial) + "@calendar.tamo"; };
    for (const SEventSeed& seed : kEvents) {
        SItem item;
        item.kind = EItemKind::Event;
        item.accountId = *accountId;
        item.uid = uid();
        item.title = seed.title;
        item.description = seed.description;
        item.calendarId = calendarIds[size_t(seed.calendar)];
        const QDate day = today.addDays(seed.dayOffset);
        if (seed.startMinute < 0) {
            item.allDay = true;
            item.startAt = FormatStamp(day, 0);
            item.endAt = FormatStamp(day.addDays(seed.minutes - 1), 0);
        } else {
            const QDateTime start = ToDateTime(SWallTime{day, seed.startMinute * 60, true});
            item.startAt = FormatStamp(FromDateTime(start));
            item.endAt = FormatStamp(FromDateTime(start.addSecs(seed.minutes * 60)));
        }
        item.repeatType = seed.repeat;
        if (seed.untilOffset != 0)
            item.repeatUntil = FormatDate(today.addDays(seed.untilOffset));
        if (seed.alarm >= 0)
            item.alarmSeconds = seed.alarm;
        item.created = item.lastModified = stamp;
        items.push_back(std::move(item));
    }
    if (!database.InsertItems(items)) {
        error = database.LastError();
        return false;
    }
    std::vector<std::int64_t> todoIds;
    for (const STodoSeed& seed : kTodos) {
        SItem item;
        item.kind = EItemKind::Todo;
        item.accountId = *accountId;
        item.uid = uid();
        item.title = seed.title;
        item.description = seed.description;
        if (seed.dueOffset != -99)
            item.due = FormatDate(today.addDays(seed.dueOffset));
        item.priority = seed.priority;
        if (seed.alarm >= 0)
            item.alarmSeconds = seed.alarm;
        if (seed.completed)
            item.completedAt = stamp;
        if (seed.parent >= 0)
            item.parentId = todoIds[size_t(seed.parent)];
        item.created = item.lastModified = stamp;
        if (!database.InsertItem(item)) {
            error = database.LastError();
            return false;
        }
        todoIds.push_back(item.id);
    }
    return true;
}

bool CTamoService::SeedDemo()
{
    return SeedDemoAccount(m_database, m_clock, m_lastError);
}

}  // namespace tamo::service
