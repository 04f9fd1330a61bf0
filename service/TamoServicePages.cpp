// The calendar service's web pages: the calendar the desktop program shows ("/messenger/" in
// its sizes, with or without the to-do list), its item detail page, the full calendar at "/",
// the blank page, and the help and account pages. Everything is read from the service's own
// data for the session's account; without a session a short sign-in page answers.

#include <algorithm>
#include <cstdio>
#include <map>

#include <httplib.h>

#include "service/RepeatRule.h"
#include "service/ServiceTime.h"
#include "service/ServiceXml.h"
#include "service/TamoService.h"

namespace tamo::service {

namespace {

const char* const kWeekdays[] = {"일", "월", "화", "수", "목", "금", "토"};

// Shared look: white surfaces, greys, the orange accent (RGB 251, 129, 2).
const char kStyle[] = R"css(
*{box-sizing:border-box}
html,body{margin:0;padding:0;background:#fff;color:#555;font:11px "NanumGothic","Nanum Gothic","돋움",sans-serif;overflow:hidden}
a{color:#555;text-decoration:none}
a:hover{color:#FB8102}
#page{display:flex;height:100vh;position:relative}
#left{flex:0 0 180px;padding:2px 4px;border-right:1px solid #E4E4E4}
#right{flex:1;min-width:0;display:flex;flex-direction:column;padding:2px 4px}
.small #left{flex:1;border-right:0;overflow-y:auto;scrollbar-width:thin}
.small.wide #left{flex:0 0 172px;border-right:1px solid #E4E4E4;overflow:hidden}
::-webkit-scrollbar{width:5px;height:5px}
::-webkit-scrollbar-thumb{background:#E4E4E4;border-radius:2px}
::-webkit-scrollbar-button{display:none}
#right>#events,#right>#todo{flex:1 1 0;min-height:0;display:flex;flex-direction:column}
#right ul{flex:1;min-height:0}
.links{flex:none}
.bar{display:flex;align-items:center;justify-content:space-between;height:18px;color:#888}
.bar b{color:#FB8102;font-size:12px}
.bar .ctl a{display:inline-block;min-width:14px;padding:0 3px;border:1px solid #E4E4E4;border-radius:2px;color:#888;margin-left:2px;text-align:center}
.bar .ctl a:hover{border-color:#FB8102;color:#FB8102}
table.month{width:100%;border-collapse:collapse;table-layout:fixed}
.month th{font-weight:normal;color:#888;height:14px}
.month th.sun,.month td.sun .n{color:#E33}
.month th.sat,.month td.sat .n{color:#3366CC}
.month td{height:19px;text-align:center;vertical-align:top;padding:0;border-top:1px solid #F2F2F2}
.month td.out .n{color:#CCC}
.month td.today .n{background:#FB8102;color:#fff;border-radius:7px;padding:0 3px}
.month .dots{height:4px;line-height:4px}
.month .dot{display:inline-block;width:4px;height:4px;border-radius:2px;margin:0 1px}
h2{font-size:11px;color:#FB8102;margin:3px 0 2px;display:flex;justify-content:space-between}
h2 a.add{color:#fff;background:#FB8102;border-radius:2px;padding:0 4px;font-weight:normal}
ul{list-style:none;margin:0;padding:0;overflow:auto}
li{white-space:nowrap;overflow:hidden;text-overflow:ellipsis;height:16px;line-height:16px;border-bottom:1px dotted #E4E4E4}
li .t{color:#A7A7A7;margin-right:4px}
li .c{display:inline-block;width:6px;height:6px;border-radius:3px;margin-right:3px}
li.done a{color:#A7A7A7;text-decoration:line-through}
li.none{color:#A7A7A7;border:0}
.links{margin-top:auto;color:#A7A7A7;white-space:nowrap;overflow:hidden}
.links a{color:#888;margin-right:6px}
#loading{display:none;position:absolute;inset:0;background:rgba(255,255,255,.85);color:#FB8102;font-size:12px;align-items:center;justify-content:center}
body.loading #loading{display:flex}
)css";

const char kScript[] = R"js(
function tamoPart(part, id) {
  var q = location.search.replace(/^\?/, '');
  return fetch('/messenger/?' + (q ? q + '&' : '') + 'part=' + part, {credentials: 'same-origin', cache: 'no-store'})
    .then(function (r) { if (!r.ok) throw r.status; return r.text(); })
    .then(function (html) { document.getElementById(id).innerHTML = html; });
}
function todo_reload() {
  if (!document.getElementById('todo')) return Promise.resolve();
  return tamoPart('todo', 'todo').catch(function () {});
}
function event_reload() {
  return Promise.all([tamoPart('month', 'month'), tamoPart('event', 'events')])
    .catch(function () {})
    .then(function () { document.body.classList.remove('loading'); });
}
function miniLoading() { document.body.classList.add('loading'); }
)js";

std::string Html(std::string_view text)
{
    return XmlText(text);
}

void Begin(std::string& body, std::string_view title, std::string_view bodyClass)
{
    body = "<!DOCTYPE html>\n<html lang=\"ko\"><head><meta charset=\"utf-8\"><title>";
    body += Html(title);
    body += "</title><style>";
    body += kStyle;
    body += "</style><script>";
    body += kScript;
    body += "</script></head><body class=\"";
    body += bodyClass;
    body += "\">";
}

void End(std::string& body)
{
    body += "</body></html>\n";
}

std::string CookiesOf(const httplib::Request& req)
{
    std::string cookies;
    for (size_t i = 0, n = req.get_header_value_count("Cookie"); i < n; ++i) {
        if (!cookies.empty())
            cookies += "; ";
        cookies += req.get_header_value("Cookie", i);
    }
    return cookies;
}

std::string TimeText(int seconds)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", seconds / 3600 % 100, seconds / 60 % 60);
    return text;
}

// The days on which an event falls between first and last.
std::vector<QDate> DaysOf(const SItem& event, const QDate& first, const QDate& last)
{
    std::vector<QDate> days;
    const auto start = ParseWallTime(event.startAt);
    if (!start)
        return days;
    const auto end = ParseWallTime(event.endAt);
    QDate endDay = end ? end->date : start->date;
    // A timed event that ends at midnight does not take the next day.
    if (end && !event.allDay && end->seconds == 0 && endDay > start->date)
        endDay = endDay.addDays(-1);
    const qint64 length = std::max<qint64>(0, start->date.daysTo(endDay));
    if (event.repeatType.empty() || !IsRepeatType(event.repeatType)) {
        for (QDate day = std::max(start->date, first); day <= std::min(endDay, last); day = day.addDays(1))
            days.push_back(day);
        return days;
    }
    QDate until;
    if (const auto u = ParseWallTime(event.repeatUntil))
        until = u->date;
    QDate from = first.addDays(-length);
    while (auto next = NextOccurrence(event.repeatType, start->date, until, from)) {
        if (*next > last)
            break;
        for (qint64 k = 0; k <= length; ++k)
            if (QDate day = next->addDays(k); day >= first && day <= last)
                days.push_back(day);
        from = next->addDays(1);
    }
    return days;
}

struct SCalendarView {
    QDate today;
    QDate shown;  // the day whose events are listed
    std::map<std::int64_t, SCalendar> calendars;
    std::vector<SItem> events;
    std::vector<SItem> todos;
};

std::string ColorOf(const SCalendarView& view, std::int64_t calendarId)
{
    const auto found = view.calendars.find(calendarId);
    return found == view.calendars.end() || found->second.color.empty() ? "#FB8102" : found->second.color;
}

std::string DetailLink(const SItem& item, const QDate& day)
{
    return "/messenger/item?cursor=" + std::to_string(item.id) + "&date=" + FormatDate(day);
}

void AppendMonth(std::string& body, const SCalendarView& view)
{
    const QDate first(view.shown.year(), view.shown.month(), 1);
    const QDate gridStart = first.addDays(-(first.dayOfWeek() % 7));
    const QDate gridEnd = gridStart.addDays(41);
    std::map<QDate, std::vector<std::int64_t>> marks;
    for (const SItem& event : view.events)
        for (const QDate& day : DaysOf(event, gridStart, gridEnd))
            marks[day].push_back(event.calendarId);
    body += "<div class=\"bar\"><b>" + std::to_string(first.year()) + "." +
            (first.month() < 10 ? "0" : "") + std::to_string(first.month()) + "</b></div>";
    body += "<table class=\"month\"><tr>";
    for (int d = 0; d < 7; ++d)
        body += std::string("<th") + (d == 0 ? " class=\"sun\"" : d == 6 ? " class=\"sat\"" : "") + ">" +
                kWeekdays[d] + "</th>";
    body += "</tr>";
    for (QDate day = gridStart; day <= gridEnd; day = day.addDays(1)) {
        const int column = day.dayOfWeek() % 7;
        if (column == 0)
            body += "<tr>";
        std::string cls = column == 0 ? "sun" : column == 6 ? "sat" : "";
        if (day.month() != first.month())
            cls += " out";
        if (day == view.today)
            cls += " today";
        body += "<td class=\"" + cls + "\" data-date=\"" + FormatDate(day) + "\"><span class=\"n\">" +
                std::to_string(day.day()) + "</span><div class=\"dots\">";
        const auto found = marks.find(day);
        if (found != marks.end())
            for (size_t k = 0; k < std::min<size_t>(found->second.size(), 3); ++k)
                body += "<span class=\"dot\" style=\"background:" + Html(ColorOf(view, found->second[k])) + "\"></span>";
        body += "</div></td>";
        if (column == 6)
            body += "</tr>";
    }
    body += "</table>";
}

void AppendEvents(std::string& body, const SCalendarView& view)
{
    struct SEntry {
        int seconds;
        const SItem* item;
    };
    std::vector<SEntry> entries;
    for (const SItem& event : view.events) {
        if (DaysOf(event, view.shown, view.shown).empty())
            continue;
        const auto start = ParseWallTime(event.startAt);
        entries.push_back({event.allDay || !start ? -1 : start->seconds, &event});
    }
    std::stable_sort(entries.begin(), entries.end(), [](const SEntry& a, const SEntry& b) { return a.seconds < b.seconds; });
    body += "<h2><span>" + std::to_string(view.shown.month()) + "월 " + std::to_string(view.shown.day()) + "일 (" +
            kWeekdays[view.shown.dayOfWeek() % 7] + ") 일정</span><a class=\"add\" href=\"/event/new?date=" +
            FormatDate(view.shown) + "\">+ 일정</a></h2><ul class=\"events\">";
    if (entries.empty())
        body += "<li class=\"none\">일정이 없습니다.</li>";
    for (const SEntry& entry : entries) {
        body += "<li class=\"event\" data-id=\"" + std::to_string(entry.item->id) + "\"><span class=\"c\" style=\"background:" +
                Html(ColorOf(view, entry.item->calendarId)) + "\"></span><span class=\"t\">" +
                (entry.seconds < 0 ? std::string("종일") : TimeText(entry.seconds)) + "</span><a href=\"" +
                DetailLink(*entry.item, view.shown) + "\">" + Html(entry.item->title) + "</a></li>";
    }
    body += "</ul>";
}

void AppendTodos(std::string& body, const SCalendarView& view, bool small)
{
    // The small window has no room for the to-do form: it grows first.
    body += std::string("<h2><span>할 일</span><a class=\"add\" href=\"/todo/new") + (small ? "?mode=max" : "") +
            "\">+ 할 일</a></h2><ul class=\"todos\">";
    if (view.todos.empty())
        body += "<li class=\"none\">할 일이 없습니다.</li>";
    for (const SItem& todo : view.todos) {
        std::string due;
        if (const auto day = ParseWallTime(todo.due))
            due = std::to_string(day->date.month()) + "/" + std::to_string(day->date.day());
        body += std::string("<li class=\"todo") + (todo.completedAt.empty() ? "" : " done") + "\" data-id=\"" +
                std::to_string(todo.id) + "\"><span class=\"t\">" + (due.empty() ? "-" : due) + "</span><a href=\"" +
                DetailLink(todo, view.today) + "\">" + Html(todo.title) + "</a></li>";
    }
    body += "</ul>";
}

// The mode controls of the desktop window: the small window can grow either way or to full
// size; the full window can hide either half.
void AppendControls(std::string& body, bool small)
{
    body += "<span class=\"ctl\">";
    if (small)
        body += "<a href=\"/messenger/?mode=leftshow\" title=\"왼쪽 펼치기\">&lt;</a>"
                "<a href=\"/messenger/?mode=max\" title=\"크게 보기\">□</a>"
                "<a href=\"/messenger/?mode=rightshow\" title=\"오른쪽 펼치기\">&gt;</a>";
    else
        body += "<a href=\"/messenger/?mode=lefthide\" title=\"왼쪽 접기\">&gt;</a>"
                "<a href=\"/messenger/?mode=righthide\" title=\"오른쪽 접기\">&lt;</a>";
    body += "</span>";
}

void AppendLinks(std::string& body)
{
    body += "<div class=\"links\"><a href=\"/#today_schedule\">오늘 일정</a><a href=\"/#receive_invitation\">받은 초대</a>"
            "<a href=\"/#todo_view\">할 일 보기</a></div>";
}

}  // namespace

void CTamoService::PageRoutes()
{
    using R = const httplib::Request&;
    using W = httplib::Response&;

    auto loadView = [this](const SSession& session, const QDate& shown) {
        SCalendarView view;
        view.today = m_clock.Now().date;
        view.shown = shown.isValid() ? shown : view.today;
        for (const SCalendar& calendar : m_database.ListCalendars(session.accountId))
            view.calendars[calendar.id] = calendar;
        for (SItem& item : m_database.ReadAllItems(session.accountId))
            (item.kind == EItemKind::Event ? view.events : view.todos).push_back(std::move(item));
        // Open to-dos first, by due date (none last), then completed ones.
        std::stable_sort(view.todos.begin(), view.todos.end(), [](const SItem& a, const SItem& b) {
            if (a.completedAt.empty() != b.completedAt.empty())
                return a.completedAt.empty();
            if (a.due.empty() != b.due.empty())
                return !a.due.empty();
            return a.due < b.due;
        });
        return view;
    };
    auto signInPage = [](W res) {
        std::string body;
        Begin(body, "Tamo 캘린더", "");
        body += "<div id=\"signin\" style=\"padding:40px 10px;text-align:center\"><b style=\"color:#FB8102;font-size:13px\">"
                "로그인이 필요합니다.</b><p style=\"color:#888\">Tamo 캘린더에 로그인한 뒤 이용해 주세요.</p></div>";
        End(body);
        res.set_content(body, "text/html; charset=utf-8");
    };

    On("GET", "/messenger/?", [this, loadView, signInPage](R req, W res) {
        const CFormFields query = CFormFields::FromTarget(req.target);
        const auto session = SessionOf(CookiesOf(req));
        const std::string part = query.Value("part");
        if (!session) {
            if (part.empty())
                signInPage(res);
            else
                ErrorPage(res, 401, "로그인이 필요합니다.");
            return;
        }
        const bool small = query.Value("size") == "small";
        const bool withTodo = query.Value("todo_visible") == "1";
        QDate shown;
        if (const auto day = ParseWallTime(query.Value("date")))
            shown = day->date;
        const SCalendarView view = loadView(*session, shown);
        std::string body;
        if (part == "todo" || part == "event" || part == "month") {
            if (part == "todo")
                AppendTodos(body, view, query.Value("size") == "small");
            else if (part == "event")
                AppendEvents(body, view);
            else
                AppendMonth(body, view);
            res.set_header("Cache-Control", "no-store");
            res.set_content(body, "text/html; charset=utf-8");
            return;
        }
        // The small window with its to-do list is wide enough for two columns; without it,
        // one narrow column scrolls.
        Begin(body, "Tamo 캘린더", small ? (withTodo ? "small wide" : "small") : "");
        body += "<div id=\"page\"><div id=\"left\"><div id=\"month\">";
        AppendMonth(body, view);
        body += "</div>";
        if (small && withTodo) {
            body += "<div class=\"bar\"><span></span>";
            AppendControls(body, true);
            body += "</div></div><div id=\"right\"><div id=\"events\">";
            AppendEvents(body, view);
            body += "</div><div id=\"todo\">";
            AppendTodos(body, view, true);
            body += "</div></div>";
        } else if (small) {
            body += "<div class=\"bar\"><span></span>";
            AppendControls(body, true);
            body += "</div><div id=\"events\">";
            AppendEvents(body, view);
            body += "</div></div>";
        } else {
            body += "<div class=\"bar\"><span></span>";
            AppendControls(body, false);
            body += "</div></div><div id=\"right\"><div id=\"events\">";
            AppendEvents(body, view);
            body += "</div>";
            if (withTodo) {
                body += "<div id=\"todo\">";
                AppendTodos(body, view, false);
                body += "</div>";
            }
            AppendLinks(body);
            body += "</div>";
        }
        body += "<div id=\"loading\">불러오는 중...</div></div>";
        End(body);
        res.set_header("Cache-Control", "no-store");
        res.set_content(body, "text/html; charset=utf-8");
    });

    // The detail of one item, shown in the pop-up at the mouse.
    On("GET", "/messenger/item", [this, loadView, signInPage](R req, W res) {
        const CFormFields query = CFormFields::FromTarget(req.target);
        const auto session = SessionOf(CookiesOf(req));
        if (!session) {
            signInPage(res);
            return;
        }
        const auto id = ParseDecimal(query.Value("cursor"), 1, INT64_MAX);
        const auto item = id ? m_database.GetItem(*id) : std::nullopt;
        std::string body;
        Begin(body, "Tamo 캘린더", "item");
        body += "<div id=\"detail\" style=\"padding:4px 6px\">";
        if (!item || item->accountId != session->accountId) {
            body += "<p class=\"none\">찾을 수 없는 항목입니다.</p>";
        } else {
            const SCalendarView view = loadView(*session, QDate());
            body += "<h2><span class=\"title\">" + Html(item->title) + "</span></h2><p style=\"margin:2px 0;color:#888\">";
            if (item->kind == EItemKind::Event) {
                const auto start = ParseWallTime(item->startAt);
                const auto end = ParseWallTime(item->endAt);
                const auto found = view.calendars.find(item->calendarId);
                if (found != view.calendars.end())
                    body += "<span class=\"c\" style=\"display:inline-block;width:6px;height:6px;border-radius:3px;background:" +
                            Html(ColorOf(view, item->calendarId)) + "\"></span> " + Html(found->second.name) + "<br>";
                if (start)
                    body += start->date.toString("yyyy.MM.dd").toStdString() +
                            (item->allDay ? std::string(" 종일") : " " + TimeText(start->seconds));
                if (end && !item->allDay)
                    body += " ~ " + TimeText(end->seconds);
            } else {
                if (const auto due = ParseWallTime(item->due))
                    body += "마감 " + due->date.toString("yyyy.MM.dd").toStdString();
                if (!item->completedAt.empty())
                    body += " (완료)";
            }
            body += "</p>";
            if (!item->description.empty()) {
                std::string text = Html(item->description);
                for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at))
                    text.replace(at, 2, "<br>");
                body += "<p class=\"description\" style=\"margin:2px 0\">" + text + "</p>";
            }
            body += "<p><a class=\"add\" style=\"color:#FB8102\" href=\"/event/new?date=" +
                    FormatDate(view.today) + "\">+ 새 일정 추가</a></p>";
        }
        body += "</div>";
        End(body);
        res.set_content(body, "text/html; charset=utf-8");
    });

    // The full calendar of the web site, with the sections the desktop program links to.
    On("GET", "/", [this, loadView, signInPage](R req, W res) {
        const auto session = SessionOf(CookiesOf(req));
        if (!session) {
            signInPage(res);
            return;
        }
        const SCalendarView view = loadView(*session, QDate());
        std::string body;
        Begin(body, "Tamo 캘린더", "site");
        body += "<style>html,body{overflow:auto;font-size:13px}section{max-width:520px;margin:12px auto}"
                "h1{color:#FB8102;font-size:18px;margin:12px auto;max-width:520px}.month td{height:40px}</style>"
                "<h1>Tamo 캘린더</h1><section id=\"calendar\"><div id=\"month\">";
        AppendMonth(body, view);
        body += "</div></section><section id=\"today_schedule\"><div id=\"events\">";
        AppendEvents(body, view);
        body += "</div></section><section id=\"receive_invitation\"><h2><span>받은 초대</span></h2>"
                "<ul><li class=\"none\">받은 초대가 없습니다.</li></ul></section><section id=\"todo_view\"><div id=\"todo\">";
        AppendTodos(body, view, false);
        body += "</div></section>";
        End(body);
        res.set_header("Cache-Control", "no-store");
        res.set_content(body, "text/html; charset=utf-8");
    });

    On("GET", "/blank.html", [](R, W res) {
        res.set_content("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title></title></head><body></body></html>\n",
                        "text/html; charset=utf-8");
    });

    // Adding is done by the desktop program's own dialogs; a browser that comes here anyway
    // is sent to the calendar.
    for (const char* path : {"/event/new", "/todo/new"})
        On("GET", path, [](R, W res) { res.set_redirect("/", 302); });

    struct SStaticPage {
        const char* path;
        const char* title;
        const char* text;
    };
    static const SStaticPage kPages[] = {
        {"/tamofaq/top.jsp", "Tamo 캘린더 도움말", "자주 묻는 질문과 사용 방법을 안내합니다."},
        {"/joinintamo/intro.join", "Tamo 회원가입", "Tamo 캘린더를 이용하려면 회원으로 가입해 주세요."},
        {"/findid/html/index.html", "아이디/비밀번호 찾기", "가입할 때 등록한 정보로 아이디와 비밀번호를 찾을 수 있습니다."},
    };
    for (const SStaticPage& page : kPages)
        On("GET", page.path, [&page](R, W res) {
            std::string body;
            Begin(body, page.title, "site");
            body += "<style>html,body{overflow:auto;font-size:13px}</style><div style=\"max-width:520px;margin:20px auto\">"
                    "<h1 style=\"color:#FB8102;font-size:18px\">";
            body += Html(page.title);
            body += "</h1><p>";
            body += Html(page.text);
            body += "</p></div>";
            End(body);
            res.set_content(body, "text/html; charset=utf-8");
        });
}

}  // namespace tamo::service
