// Events and to-dos: the form posts that create and change them, and the exports.
#include "service/TamoService.h"

#include <QRandomGenerator>

#include <httplib.h>

#include "service/ExportWriter.h"
#include "service/FormFields.h"
#include "service/RepeatRule.h"
#include "service/ServiceXml.h"

namespace tamo::service {

namespace {

constexpr size_t kMaxTitleBytes = 4 * 1024;
constexpr size_t kMaxTextBytes = 256 * 1024;
constexpr int kMaxAlarmSeconds = 366 * 24 * 3600;
// Rows read per turn of an export; the database lock is free between turns.
constexpr int kExportChunk = 2000;

// A form that can't be used: the field and why.
struct SFormError {
    std::string message;
};

// Reads a text field into target; false with the error set when it can't be stored.
bool TextField(const CFormFields& form, const char* name, size_t maxBytes, std::string& target,
               std::optional<SFormError>& error)
{
    const auto value = form.Get(name);
    if (!value)
        return true;
    if (value->size() > maxBytes || !IsCleanUtf8(*value)) {
        error = SFormError{std::string(name) + ": too long or not UTF-8 text"};
        return false;
    }
    target = *value;
    return true;
}

std::optional<SWallTime> TimeField(const CFormFields& form, const char* name, std::optional<SFormError>& error)
{
    const auto value = form.Get(name);
    if (!value || value->empty())
        return std::nullopt;
    auto time = ParseWallTime(*value);
    if (!time)
        error = SFormError{std::string(name) + ": invalid date"};
    return time;
}

// The alarm fields (sent twice by some clients; the first value counts).
void AlarmFields(const CFormFields& form, SItem& item, std::optional<SFormError>& error)
{
    const auto set = form.Get("meta[set_alarm]");
    if (!set)
        return;
    if (*set == "false") {
        item.alarmSeconds.reset();
        return;
    }
    if (*set != "true") {
        error = SFormError{"meta[set_alarm]: true or false"};
        return;
    }
    const auto seconds = ParseDecimal(form.Value("alarm[delta_sec]"), 0, kMaxAlarmSeconds);
    if (!seconds) {
        error = SFormError{"alarm[delta_sec]: seconds expected"};
        return;
    }
    item.alarmSeconds = int(*seconds);
    if (const auto program = form.Get("alarm[program]")) {
        const auto n = ParseDecimal(*program, 0, 1000);
        if (!n) {
            error = SFormError{"alarm[program]: number expected"};
            return;
        }
        item.alarmProgram = int(*n);
    }
}

std::string CreationAnswer(const SItem& item)
{
    // Readers find the uid by the text ", "uid": " and its closing quote before the next comma,
    // so the id comes first and another field follows the uid.
    std::string out = "{\"id\": " + std::to_string(item.id) + ", \"uid\": " + JsonString(item.uid) +
                      ", \"title\": " + JsonString(item.title);
    if (item.kind == EItemKind::Event)
        out += ", \"calendar_id\": " + std::to_string(item.calendarId);
    out += ", \"last_modified\": " + JsonString(item.lastModified) + "}\n";
    return out;
}

}  // namespace

std::string CTamoService::NewUid()
{
    static const char digits[] = "0123456789abcdef";
    std::string uid;
    for (int i = 0; i < 24; ++i)
        uid += digits[QRandomGenerator::system()->bounded(16)];
    return uid + "@calendar.tamo";
}

// The item a creation or change post writes: the stored one for "/<kind>/<X-ID>" with
// "_method=put", else a new one of the account. False after an error answer.
bool CTamoService::ItemToWrite(const httplib::Request& req, httplib::Response& res, const SSession& session,
                               const CFormFields& form, EItemKind kind, SItem& item, bool& modify)
{
    const std::string idText = req.matches.size() > 2 ? std::string(req.matches[2]) : std::string();
    modify = !idText.empty();
    if (modify != (form.Value("_method") == "put")) {
        ErrorPage(res, 400, modify ? "a change needs _method=put" : "_method=put needs a record number");
        return false;
    }
    if (modify) {
        const auto id = ParseDecimal(idText, 1, INT64_MAX / 10);
        auto existing = id ? m_database.GetItem(*id) : std::nullopt;
        if (!existing || existing->kind != kind || existing->accountId != session.accountId) {
            ErrorPage(res, 404, kind == EItemKind::Event ? "no such event" : "no such to-do");
            return false;
        }
        item = std::move(*existing);
        return true;
    }
    item.kind = kind;
    item.accountId = session.accountId;
    if (kind == EItemKind::Event) {
        const auto account = m_database.GetAccount(session.accountId);
        item.calendarId = account ? DefaultCalendarOf(*account) : 0;
    }
    return true;
}

void CTamoService::PostEvent(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Text);
    if (!session)
        return;
    const CFormFields form = CFormFields::Parse(req.body);
    std::lock_guard change(m_changeMutex);
    SItem item;
    bool modify = false;
    if (!ItemToWrite(req, res, *session, form, EItemKind::Event, item, modify))
        return;

    std::optional<SFormError> error;
    TextField(form, "event[title]", kMaxTitleBytes, item.title, error);
    TextField(form, "event[description]", kMaxTextBytes, item.description, error);
    TextField(form, "event[uid]", kMaxTitleBytes, item.uid, error);
    if (const auto calendar = form.Get("event[calendar_id]")) {
        const auto id = ParseDecimal(*calendar, 1, INT64_MAX / 10);
        if (id && m_database.GetCalendar(session->accountId, *id))
            item.calendarId = *id;
        else
            error = SFormError{"event[calendar_id]: no such calendar"};
    }
    if (const auto allDay = form.Get("event[allday]")) {
        if (*allDay == "true" || *allDay == "false")
            item.allDay = *allDay == "true";
        else
            error = SFormError{"event[allday]: true or false"};
    }
    auto start = TimeField(form, "event[start_at]", error);
    auto end = TimeField(form, "event[end_at]", error);
    if (!start)
        start = ParseStamp(item.startAt);
    if (!end)
        end = ParseStamp(item.endAt);
    if (!start && !error)
        error = SFormError{"event[start_at]: required"};
    AlarmFields(form, item, error);

    // Repetition: set_repeat and the type; until_on or pieloop for the end.
    const auto setRepeat = form.Get("meta[set_repeat]");
    if (setRepeat && *setRepeat == "false") {
        item.repeatType.clear();
        item.repeatUntil.clear();
    } else if ((setRepeat && *setRepeat == "true") || form.Has("repeat[type]")) {
        const std::string type = form.Value("repeat[type]");
        if (!IsRepeatType(type)) {
            error = SFormError{"repeat[type]: unknown repeat type"};
        } else {
            item.repeatType = type;
            if (form.Value("pieloop") == "on") {
                item.repeatUntil.clear();
            } else if (const auto until = form.Get("repeat[until_on]")) {
                const auto date = until->empty() ? std::nullopt : ParseWallTime(*until);
                if (until->empty())
                    item.repeatUntil.clear();
                else if (date)
                    item.repeatUntil = FormatDate(date->date);
                else
                    error = SFormError{"repeat[until_on]: invalid date"};
            }
        }
    } else if (setRepeat) {
        error = SFormError{"meta[set_repeat]: true or false"};
    }
    std::optional<SWallTime> modified;
    if (m_options.testHooks && form.Has("test[last_modified]")) {
        modified = ParseWallTime(form.Value("test[last_modified]"));
        if (!modified)
            error = SFormError{"test[last_modified]: invalid date"};
    }
    if (error) {
        ErrorPage(res, 400, error->message);
        return;
    }

    // An all-day event keeps whole days, its last day included; an end before the start is
    // taken as the start.
    if (!end)
        end = start;
    if (item.allDay) {
        start->seconds = 0;
        end->seconds = 0;
    }
    if (ToDateTime(*end) < ToDateTime(*start))
        end = start;
    item.startAt = FormatStamp(*start);
    item.endAt = FormatStamp(*end);

    const std::string now = modified ? FormatStamp(*modified) : m_clock.NowStamp();
    item.lastModified = now;
    bool saved = false;
    if (modify) {
        ++item.sequence;
        saved = m_database.UpdateItem(item);
    } else {
        item.created = now;
        if (item.uid.empty())
            item.uid = NewUid();
        saved = m_database.InsertItem(item);
    }
    if (!saved) {
        ErrorPage(res, 500, "the event could not be saved");
        return;
    }
    res.set_content(CreationAnswer(item), "text/plain; charset=utf-8");
}

void CTamoService::PostTodo(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Text);
    if (!session)
        return;
    const CFormFields form = CFormFields::Parse(req.body);
    std::lock_guard change(m_changeMutex);
    SItem item;
    bool modify = false;
    if (!ItemToWrite(req, res, *session, form, EItemKind::Todo, item, modify))
        return;

    std::optional<SFormError> error;
    // A new to-do needs its title field, which may be empty.
    if (!modify && !form.Has("todo[title]"))
        error = SFormError{"todo[title]: required"};
    TextField(form, "todo[title]", kMaxTitleBytes, item.title, error);
    TextField(form, "todo[description]", kMaxTextBytes, item.description, error);
    TextField(form, "todo[uid]", kMaxTitleBytes, item.uid, error);
    if (const auto due = form.Get("todo[duedate_on]")) {
        if (due->empty()) {
            item.due.clear();
        } else if (const auto date = ParseWallTime(*due)) {
            item.due = FormatDate(date->date);
        } else {
            error = SFormError{"todo[duedate_on]: invalid date"};
        }
    }
    if (const auto priority = form.Get("todo[priority]")) {
        if (const auto n = ParseDecimal(*priority, 1, 5))
            item.priority = int(*n);
        else
            error = SFormError{"todo[priority]: 1 to 5"};
    }
    if (const auto completed = form.Get("todo[completed_at]")) {
        if (completed->empty()) {
            item.completedAt.clear();
        } else if (const auto time = ParseWallTime(*completed)) {
            item.completedAt = FormatStamp(*time);
        } else {
            error = SFormError{"todo[completed_at]: invalid date"};
        }
    }
    if (const auto parent = form.Get("todo[parent_id]")) {
        const auto id = ParseDecimal(*parent, 0, INT64_MAX / 10);
        const auto owner = id && *id > 0 ? m_database.GetItem(*id) : std::nullopt;
        if (id && *id == 0)
            item.parentId = 0;
        else if (owner && owner->kind == EItemKind::Todo && owner->accountId == session->accountId &&
                 owner->id != item.id)
            item.parentId = owner->id;
        else
            error = SFormError{"todo[parent_id]: no such to-do"};
    }
    AlarmFields(form, item, error);
    std::optional<SWallTime> modified;
    if (m_options.testHooks && form.Has("test[last_modified]")) {
        modified = ParseWallTime(form.Value("test[last_modified]"));
        if (!modified)
            error = SFormError{"test[last_modified]: invalid date"};
    }
    if (error) {
        ErrorPage(res, 400, error->message);
        return;
    }

    const std::string now = modified ? FormatStamp(*modified) : m_clock.NowStamp();
    item.lastModified = now;
    bool saved = false;
    if (modify) {
        ++item.sequence;
        saved = m_database.UpdateItem(item);
    } else {
        item.created = now;
        if (item.uid.empty())
            item.uid = NewUid();
        saved = m_database.InsertItem(item);
    }
    if (!saved) {
        ErrorPage(res, 500, "the to-do could not be saved");
        return;
    }
    res.set_content(CreationAnswer(item), "text/plain; charset=utf-8");
}

void CTamoService::ExportEvents(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Text);
    if (!session)
        return;
    const CFormFields query = CFormFields::FromTarget(req.target);
    const auto calendarId = ParseDecimal(query.Value("calendar"), 1, INT64_MAX / 10);
    if (!calendarId || !m_database.GetCalendar(session->accountId, *calendarId)) {
        ErrorPage(res, calendarId ? 404 : 400, "no such calendar");
        return;
    }
    SEventQuery filter{session->accountId, *calendarId, {}};
    if (const auto from = query.Get("from"); from && !from->empty()) {
        const auto date = from->size() == 8 ? ParseWallTime(*from) : std::nullopt;
        if (!date) {
            ErrorPage(res, 400, "from: YYYYMMDD expected");
            return;
        }
        filter.fromDate = *from;
    }
    const auto account = m_database.GetAccount(session->accountId);
    std::string body;
    CExportWriter writer(body, account ? account->login : std::string(), m_clock.NowStamp());
    writer.Begin();
    for (std::int64_t after = 0;;) {
        const std::vector<SItem> chunk = m_database.ReadEvents(filter, after, kExportChunk);
        for (const SItem& event : chunk)
            writer.AppendEvent(event);
        if (chunk.size() < size_t(kExportChunk))
            break;
        after = chunk.back().id;
    }
    writer.End();
    res.set_content(std::move(body), "text/calendar; charset=utf-8");
}

void CTamoService::ExportTodos(const httplib::Request& req, httplib::Response& res)
{
    const auto session = RequireSession(req, res, EAnswer::Text);
    if (!session)
        return;
    // A hand-built query may carry a second "?" where "&" belongs; read it like "&".
    std::string target = req.target;
    const size_t q = target.find('?');
    if (q != std::string::npos)
        for (size_t i = q + 1; i < target.size(); ++i)
            if (target[i] == '?')
                target[i] = '&';
    const CFormFields query = CFormFields::FromTarget(target);
    STodoQuery filter{session->accountId, query.Value("complete") != "false", query.Value("sub") != "false"};
    const auto account = m_database.GetAccount(session->accountId);
    std::string body;
    CExportWriter writer(body, account ? account->login : std::string(), m_clock.NowStamp());
    writer.Begin();
    for (std::int64_t after = 0;;) {
        const std::vector<SItem> chunk = m_database.ReadTodos(filter, after, kExportChunk);
        for (const SItem& todo : chunk) {
            std::string parentUid;
            if (todo.parentId != 0)
                if (const auto parent = m_database.GetItem(todo.parentId))
                    parentUid = parent->uid;
            writer.AppendTodo(todo, parentUid);
        }
        if (chunk.size() < size_t(kExportChunk))
            break;
        after = chunk.back().id;
    }
    writer.End();
    res.set_content(std::move(body), "text/calendar; charset=utf-8");
}

}  // namespace tamo::service
