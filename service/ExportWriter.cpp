#include "service/ExportWriter.h"

#include "service/RepeatRule.h"
#include "service/ServiceTime.h"

namespace tamo::service {

namespace {

constexpr std::string_view kCreated = "CREATED;TZID=Asia/Seoul";
constexpr std::string_view kStamp = "DTSTAMP;TZID=Asia/Seoul";
constexpr std::string_view kDue = "DUE;TZID=Asia/Seoul";
constexpr std::string_view kCompleted = "COMPLETED;TZID=Asia/Seoul";
constexpr std::string_view kModified = "LAST-MODIFIED;TZID=Asia/Seoul";
constexpr std::string_view kStart = "DTSTART;TZID=Asia/Seoul";
constexpr std::string_view kEnd = "DTEND;TZID=Asia/Seoul";

// "YYYYMMDD" of a stored stamp.
std::string_view DateOf(std::string_view stamp) { return stamp.substr(0, 8); }

std::string DayAfter(std::string_view stamp)
{
    const auto time = ParseStamp(DateOf(stamp));
    return time ? FormatDate(time->date.addDays(1)) : std::string(DateOf(stamp));
}

}  // namespace

CExportWriter::CExportWriter(std::string& out, std::string organizer, std::string stamp)
    : m_out(out), m_organizer(std::move(organizer)), m_stamp(std::move(stamp))
{
}

void CExportWriter::AppendEscaped(std::string& out, std::string_view value)
{
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        switch (c) {
        case '\r':
            if (i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            out += "\\n";
            break;
        case '\n': out += "\\n"; break;
        case ';': out += "\\;"; break;
        case '\\': out += "\\\\"; break;
        case ',': out += "\\,"; break;
        default: out += c;
        }
    }
}

void CExportWriter::Line(std::string_view name, std::string_view value)
{
    m_out += name;
    m_out += ':';
    m_out += value;
    m_out += "\r\n";
}

void CExportWriter::EscapedLine(std::string_view name, std::string_view value)
{
    m_out += name;
    m_out += ':';
    AppendEscaped(m_out, value);
    m_out += "\r\n";
}

void CExportWriter::Begin()
{
    m_out += "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Tamo//Tamo Calendar//KO\r\nX-WR-TIMEZONE:Asia/Seoul\r\n";
}

void CExportWriter::End() { m_out += "END:VCALENDAR\r\n"; }

void CExportWriter::Alarm(const SItem& item)
{
    if (!item.alarmSeconds)
        return;
    m_out += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nTRIGGER:-PT";
    m_out += std::to_string(*item.alarmSeconds);
    m_out += "S\r\nEND:VALARM\r\n";
}

void CExportWriter::AppendTodo(const SItem& todo, std::string_view parentUid)
{
    m_out += "BEGIN:VTODO\r\n";
    EscapedLine("UID", todo.uid);
    EscapedLine("SUMMARY", todo.title);
    if (!todo.description.empty())
        EscapedLine("DESCRIPTION", todo.description);
    Line("STATUS", todo.completedAt.empty() ? "NEEDS-ACTION" : "COMPLETED");
    Line("PRIORITY", std::to_string(todo.priority));
    EscapedLine("ORGANIZER", m_organizer);
    Line(kCreated, todo.created);
    Line(kStamp, m_stamp);
    if (!todo.due.empty())
        Line(kDue, todo.due);
    if (!todo.completedAt.empty())
        Line(kCompleted, todo.completedAt);
    Line("SEQ", std::to_string(todo.sequence));
    Line("X-ID", std::to_string(todo.id));
    Line(kModified, todo.lastModified);
    if (!parentUid.empty())
        EscapedLine("RELATED-TO", parentUid);
    Alarm(todo);
    m_out += "END:VTODO\r\n";
}

void CExportWriter::AppendEvent(const SItem& event)
{
    m_out += "BEGIN:VEVENT\r\n";
    EscapedLine("UID", event.uid);
    EscapedLine("SUMMARY", event.title);
    if (!event.description.empty())
        EscapedLine("DESCRIPTION", event.description);
    Line("STATUS", "CONFIRMED");
    EscapedLine("ORGANIZER", m_organizer);
    Line("CATEGORY", std::to_string(event.calendarId));
    Line("ALLDAY", event.allDay ? "true" : "false");
    if (event.allDay) {
        // The stored last day counts; the export's end is the day after it.
        Line("DTSTART;VALUE=DATE", DateOf(event.startAt));
        Line("DTEND;VALUE=DATE", DayAfter(event.endAt));
    } else {
        Line(kStart, event.startAt);
        Line(kEnd, event.endAt);
    }
    if (!event.repeatType.empty())
        Line("RRULE", ExportRule(event.repeatType, event.repeatUntil));
    Line(kCreated, event.created);
    Line(kStamp, m_stamp);
    Line("SEQ", std::to_string(event.sequence));
    Line("X-ID", std::to_string(event.id));
    Line(kModified, event.lastModified);
    Alarm(event);
    m_out += "END:VEVENT\r\n";
}

}  // namespace tamo::service
