// Calendars, preferences, the PC key, the service clock and the alarm list.
#include "service/TamoService.h"

#include <algorithm>

#include <QRandomGenerator>

#include <httplib.h>

#include "service/FormFields.h"
#include "service/RepeatRule.h"
#include "service/ServiceXml.h"

namespace tamo::service {

namespace {

constexpr const char* kXmlType = "text/xml; charset=utf-8";
// Alarms further ahead than this are left for a later fetch.
constexpr std::int64_t kAlarmHorizonSeconds = 7 * 24 * 3600;
// Alarms missed by up to this much are still listed; clients drop them after five minutes.
constexpr std::int64_t kAlarmGraceSeconds = 6 * 60;

void AppendCalendar(std::string& out, const SCalendar& calendar)
{
    out += "<calendar>";
    AppendXmlElement(out, "service-type", std::to_string(calendar.serviceType));
    AppendXmlElement(out, "name", calendar.name);
    AppendXmlElement(out, "id", std::to_string(calendar.id));
    AppendXmlElement(out, "color", calendar.color);
    out += "</calendar>\n";
}

const char* Flag(bool value) { return value ? "true" : "false"; }

std::optional<bool> ParseFlag(const std::string& text)
{
    if (text == "true")
        return true;
    if (text == "false")
        return false;
    return std::nullopt;
}

std::int64_t EpochOf(const SWallTime& wall)
{
    return ToDateTime(wall).toSecsSinceEpoch() - CServiceClock::kSeoulOffsetSeconds;
}

}  // namespace

std::int64_t CTamoService::DefaultCalendarOf(const SAccount& account)
{
    if (account.defaultCalendar > 0 && m_database.GetCalendar(account.id, account.defaultCalendar))
        return account.defaultCalendar;
    for (const SCalendar& calendar : m_database.ListCalendars(account.id))
        if (calendar.serviceType != 1)
            return calendar.id;
    return 0;
}

void CTamoService::Calendars(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Xml);
    if (!session)
        return;
    std::string body(kXmlDeclaration);
    body += "<calendars>\n";
    for (const SCalendar& calendar : m_database.ListCalendars(session->accountId))
        AppendCalendar(body, calendar);
    body += "</calendars>\n";
    res.set_content(body, kXmlType);
}

void CTamoService::OneCalendar(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Xml);
    if (!session)
        return;
    const auto id = ParseDecimal(req.matches[1].str(), -1, INT64_MAX / 10);
    const auto calendar = id ? m_database.GetCalendar(session->accountId, *id) : std::nullopt;
    if (!calendar) {
        ErrorXml(res, 404, 4004, "없는 캘린더입니다.");
        return;
    }
    std::string body(kXmlDeclaration);
    body += "<calendars>\n";
    AppendCalendar(body, *calendar);
    body += "</calendars>\n";
    res.set_content(body, kXmlType);
}

void CTamoService::DefaultCalendar(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Xml);
    if (!session)
        return;
    const auto account = m_database.GetAccount(session->accountId);
    const std::int64_t id = account ? DefaultCalendarOf(*account) : 0;
    if (id == 0) {
        ErrorXml(res, 404, 4004, "기본 캘린더가 없습니다.");
        return;
    }
    std::string body(kXmlDeclaration);
    body += "<calendar>";
    AppendXmlElement(body, "id", std::to_string(id));
    body += "</calendar>\n";
    res.set_content(body, kXmlType);
}

void CTamoService::Preferences(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Xml);
    if (!session)
        return;
    const SPreferences p = m_database.GetPreferences(session->accountId);
    std::string body(kXmlDeclaration);
    body += "<preference>\n";
    AppendXmlElement(body, "sync-range", std::to_string(p.syncRange));
    AppendXmlElement(body, "sync-event-check", Flag(p.eventCheck));
    AppendXmlElement(body, "sync-todo-check", Flag(p.todoCheck));
    AppendXmlElement(body, "sync-todo-complete", Flag(p.todoComplete));
    AppendXmlElement(body, "sync-todo-sub", Flag(p.todoSub));
    AppendXmlElement(body, "sync-conflict", Flag(p.conflict));
    AppendXmlElement(body, "sync-category-id", std::to_string(p.categoryId));
    // Readers look for this one after the category.
    AppendXmlElement(body, "sync-event-adv-check", Flag(p.eventAdvCheck));
    AppendXmlElement(body, "sync-event2-check", Flag(p.event2Check));
    body += "\n</preference>\n";
    res.set_content(body, kXmlType);
}

void CTamoService::UpdatePreferences(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Text);
    if (!session)
        return;
    const CFormFields form = CFormFields::Parse(req.body);
    std::lock_guard change(m_changeMutex);
    SPreferences p = m_database.GetPreferences(session->accountId);
    std::string bad;
    if (const auto v = form.Get("preference[sync_range]")) {
        if (const auto n = ParseDecimal(*v, 0, 3650))
            p.syncRange = int(*n);
        else
            bad = "preference[sync_range]";
    }
    if (const auto v = form.Get("preference[sync_category_id]")) {
        const auto n = ParseDecimal(*v, -1, INT64_MAX / 10);
        if (n && (*n <= 0 || m_database.GetCalendar(session->accountId, *n)))
            p.categoryId = *n <= 0 ? -1 : *n;
        else
            bad = "preference[sync_category_id]";
    }
    const std::pair<const char*, bool*> flags[] = {
        {"preference[sync_event_check]", &p.eventCheck},       {"preference[sync_todo_check]", &p.todoCheck},
        {"preference[sync_todo_complete]", &p.todoComplete},   {"preference[sync_todo_sub]", &p.todoSub},
        {"preference[sync_conflict]", &p.conflict},            {"preference[sync_event_adv_check]", &p.eventAdvCheck},
        {"preference[sync_event2_check]", &p.event2Check},
    };
    for (const auto& [name, target] : flags) {
        if (const auto v = form.Get(name)) {
            if (const auto flag = ParseFlag(*v))
                *target = *flag;
            else
                bad = name;
        }
    }
    if (!bad.empty()) {
        ErrorPage(res, 400, "invalid value of " + bad);
        return;
    }
    if (!m_database.SavePreferences(session->accountId, p)) {
        ErrorPage(res, 500, "preferences could not be saved");
        return;
    }
    res.set_content("OK\n", "text/plain; charset=utf-8");
}

void CTamoService::PcKey(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Xml);
    if (!session)
        return;
    std::lock_guard change(m_changeMutex);
    auto account = m_database.GetAccount(session->accountId);
    if (!account) {
        ErrorXml(res, 404, 4004, "없는 계정입니다.");
        return;
    }
    // The first request certifies the PC: the account gets its key then and keeps it.
    if (account->pcKey.empty()) {
        static const char digits[] = "0123456789ABCDEF";
        for (int i = 0; i < 16; ++i)
            account->pcKey += digits[QRandomGenerator::system()->bounded(16)];
        (void)m_database.SetPcKey(account->id, account->pcKey);
    }
    std::string body(kXmlDeclaration);
    body += "<preference>";
    AppendXmlElement(body, "sync-pc-key", account->pcKey);
    body += "</preference>\n";
    res.set_content(body, kXmlType);
}

void CTamoService::ServerTime(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Xml);
    if (!session)
        return;
    std::string body(kXmlDeclaration);
    body += "<sync>";
    AppendXmlElement(body, "time", m_clock.NowStamp());
    body += "</sync>\n";
    res.set_content(body, kXmlType);
}

void CTamoService::Alarms(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Xml);
    if (!session)
        return;
    const std::int64_t now = m_clock.NowEpoch();
    const std::int64_t earliest = now - kAlarmGraceSeconds;
    const std::int64_t latest = now + kAlarmHorizonSeconds;
    struct SDue {
        std::int64_t at;
        const SItem* item;
    };
    const std::vector<SItem> items = m_database.ReadAlarmItems(session->accountId);
    std::vector<SDue> due;
    for (const SItem& item : items) {
        const std::int64_t lead = *item.alarmSeconds;
        if (item.kind == EItemKind::Todo) {
            const auto date = ParseStamp(item.due);
            if (!date)
                continue;
            const std::int64_t at = EpochOf(SWallTime{date->date, 0, true}) - lead;
            if (at >= earliest && at <= latest)
                due.push_back({at, &item});
            continue;
        }
        const auto start = ParseStamp(item.startAt);
        if (!start)
            continue;
        std::int64_t at = EpochOf(*start) - lead;
        if (!item.repeatType.empty()) {
            // The next occurrence whose alarm has not passed yet.
            const auto until = ParseStamp(item.repeatUntil);
            const QDate untilDate = until ? until->date : QDate();
            const std::int64_t firstStart = earliest + lead;
            QDate from = QDateTime::fromSecsSinceEpoch(firstStart + CServiceClock::kSeoulOffsetSeconds, Qt::UTC).date();
            std::optional<QDate> next = NextOccurrence(item.repeatType, start->date, untilDate, from);
            if (next && EpochOf(SWallTime{*next, start->seconds, true}) < firstStart)
                next = NextOccurrence(item.repeatType, start->date, untilDate, next->addDays(1));
            if (!next)
                continue;
            at = EpochOf(SWallTime{*next, start->seconds, true}) - lead;
        }
        if (at >= earliest && at <= latest)
            due.push_back({at, &item});
    }
    std::sort(due.begin(), due.end(), [](const SDue& a, const SDue& b) { return a.at < b.at; });

    std::string body(kXmlDeclaration);
    body += "<alarms>\n";
    for (const SDue& d : due) {
        const QDateTime wall = QDateTime::fromSecsSinceEpoch(d.at + CServiceClock::kSeoulOffsetSeconds, Qt::UTC);
        body += "<alarm>";
        AppendXmlElement(body, "alarmable_id", std::to_string(d.item->id));
        AppendXmlElement(body, "alarm_at", FormatStamp(FromDateTime(wall)));
        AppendXmlElement(body, "alarmable_type", d.item->kind == EItemKind::Todo ? "Todo" : "Event");
        // Readers skip an alarm with an empty title; an untitled item still rings.
        AppendXmlElement(body, "alarmable_title", d.item->title.empty() ? "(제목 없음)" : d.item->title);
        body += "</alarm>\n";
    }
    body += "</alarms>\n";
    res.set_content(body, kXmlType);
}

}  // namespace tamo::service
