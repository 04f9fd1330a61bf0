// Reading appointments: the service's event export and the Outlook Calendar folder.
#include <cmath>
#include <cstdint>

#include "base/ServiceClock.h"
#include "platform/TextCodec.h"
#include "syncengine/AppointProps.h"
#include "syncengine/EngineHttp.h"
#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"
#include "syncengine/Recurrence.h"
#include "syncengine/SyncLog.h"

namespace appointprops {

QDateTime OleToDateTime(double date)
{
    const auto parts = oledate::ToDateTime(date);
    if (!parts)
        return {};
    return QDateTime(QDate(parts->year, parts->month, parts->day), QTime(parts->hour, parts->minute, parts->second),
                     Qt::UTC);
}

std::optional<double> DateTimeToOle(const QDateTime& dt)
{
    if (!dt.isValid())
        return std::nullopt;
    const QDate d = dt.date();
    const QTime t = dt.time();
    return oledate::FromDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second());
}

namespace {
QString Format(double date, const char* format)
{
    if (date == 0)
        return {};
    const auto p = oledate::ToDateTime(date);
    if (!p || p->year >= 3000)
        return {};
    return QString::asprintf(format, p->year, p->month, p->day, p->hour, p->minute, p->second);
}
}  // namespace

QString DashedText(double date) { return Format(date, "%4d-%02d-%02dT%02d:%02d:%02d"); }
QString CompactText(double date) { return Format(date, "%4d%02d%02dT%02d%02d%02d"); }

double NowSeoulOle()
{
    const QDateTime now = tamo::clock::NowSeoul();
    return DateTimeToOle(QDateTime(now.date(), now.time(), Qt::UTC)).value_or(0);
}

}  // namespace appointprops

namespace {

using namespace appointprops;

// A time property as the service's wall time: the nine-hour text of FileTimeToString read back.
double ReadLocalTime(IMessage* msg, ULONG tag, bool named, int set)
{
    const auto value = CMAPIEx::GetNamedPropValue(msg, tag, named, set);
    if (!value || PROP_TYPE(value->ulPropTag) != PT_SYSTIME)
        return 0;
    QString text;
    CMAPISync::FileTimeToString(&value->Value.ft, text, nullptr);
    return CMAPISync::StringtoDate(text);
}

bool ReadFlag(IMessage* msg, ULONG tag)
{
    const auto value = CMAPIEx::GetNamedPropValue(msg, tag, true, PROPSET_APPOINTMENT);
    return value && PROP_TYPE(value->ulPropTag) == PT_BOOLEAN && value->Value.b;
}

std::optional<LONG> ReadLong(IMessage* msg, ULONG tag, int set)
{
    const auto value = CMAPIEx::GetNamedPropValue(msg, tag, true, set);
    if (!value || PROP_TYPE(value->ulPropTag) != PT_LONG)
        return std::nullopt;
    return value->Value.l;
}

// The reminder offset in seconds, rounded up to one of the service's alarm choices.
QString TriggerSeconds(LONG minutes)
{
    static const long kChoices[] = {60, 300, 600, 900, 1800, 3600, 7200, 86400};
    const long seconds = static_cast<long>(minutes) * 60;
    for (long c : kChoices)
        if (seconds <= c)
            return QString::number(c);
    return QStringLiteral("604800");
}

}  // namespace

ULONG CMAPISync::ConvertRecurrenceDateToMinutes(const SYSTEMTIME& st)
{
    const auto ft = oledate::SystemTimeToFileTime(st);
    if (!ft)
        return 0;
    const std::uint64_t ticks = (static_cast<std::uint64_t>(ft->dwHighDateTime) << 32) | ft->dwLowDateTime;
    return static_cast<ULONG>(ticks / 600000000ULL);
}

SYSTEMTIME CMAPISync::ConvertRecurrenceMinutesToDate(ULONG ulMinutes)
{
    const std::uint64_t ticks = static_cast<std::uint64_t>(ulMinutes) * 600000000ULL;
    FILETIME ft{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
    return oledate::FileTimeToSystemTime(ft).value_or(SYSTEMTIME{});
}

QString CMAPISync::AppointUIDFromGlobalID(const SBinary* pGlobalID)
{
    if (!pGlobalID || pGlobalID->cb == 0 || !pGlobalID->lpb)
        return {};
    const QString text = BinToTextString(pGlobalID, true);
    if (text.size() > 52 && text.mid(40, 8) == u"vCal-Uid") {
        // The service UID in the ANSI code page, ended by a zero byte.
        qsizetype size = static_cast<qsizetype>(pGlobalID->cb) - 52;
        if (pGlobalID->lpb[pGlobalID->cb - 1] == 0)
            --size;
        return platform::textcodec::FromAnsi(
            QByteArrayView(reinterpret_cast<const char*>(pGlobalID->lpb) + 52, size));
    }
    return BinToHexString(pGlobalID, false).toUpper();
}

int CMAPISync::ReadAppointment()
{
    SYNCLOG(synclog::kLog, "ReadAppointment CaregroyID %ld\n", static_cast<long>(m_lCalendarID));
    QString url = enginehttp::CalendarUrl(QStringLiteral("/sync/export_event")) +
                  QStringLiteral("?calendar=%1").arg(m_lCalendarID);
    if (m_nSyncRangeDays >= 1) {
        const QDate from = tamo::clock::NowSeoul().date().addDays(-m_nSyncRangeDays);
        url += QStringLiteral("&from=") + from.toString(QStringLiteral("yyyyMMdd"));
    }
    const enginehttp::Answer answer = enginehttp::Get(url);
    if (answer.step == enginehttp::Step::Open) {
        SYNCLOG(synclog::kError, "ReadAppointment http.Open Failed \n");
        return -1;
    }
    if (answer.step == enginehttp::Step::Send) {
        SYNCLOG(synclog::kError, "ReadAppointment http.Send Failed \n");
        return -1;
    }
    if (!answer.Ok() || answer.text.isEmpty() || answer.text.contains(u"error page")) {
        SYNCLOG(synclog::kError, "ReadAppointment http.ReadAll Failed \n");
        return -1;
    }
    if (!m_pParser)
        return -1;
    m_pParser->NewItem(CSyncParser::ServiceEvents);
    m_pParser->ParseEvents(answer.text);
    return 1;
}

int CMAPISync::ReadAppointOutlook(CMAPIMessage& message)
{
    SYNCLOG(synclog::kLog, "ReadAppointOutlook Start\n");
    IMessage* msg = message.GetMessageW();
    CSyncItem& item = m_pParser->NewItem(CSyncParser::OutlookEvents);

    const QString subject = GetPropVal(msg, PR_SUBJECT_W, false, PROPSET_NONE);
    item.SetValue(u"SUMMARY", subject);
    item.SetValue(u"DESCRIPTION", GetPropVal(msg, PR_BODY_W, false, PROPSET_NONE));
    item.SetValue(u"CATEGORY", GetPropVal(msg, kKeywords, false, PROPSET_NONE));
    SYNCLOG(synclog::kLog, "ReadAppointOutlook (%s)\n", ToLogText(subject).constData());

    const bool allDay = ReadFlag(msg, kAllDay);
    if (allDay)
        item.SetValue(u"ALLDAY", QStringLiteral("true"));
    item.SetValue(u"DTSTART;TZID=Asia/Seoul", DashedText(ReadLocalTime(msg, kStart, true, PROPSET_APPOINTMENT)));
    double end = ReadLocalTime(msg, kEnd, true, PROPSET_APPOINTMENT);
    if (allDay && end != 0)
        end -= kSeoulShiftDays;
    item.SetValue(u"DTEND;TZID=Asia/Seoul", DashedText(end));
    item.SetValue(u"CREATED;TZID=Asia/Seoul", CompactText(ReadLocalTime(msg, PR_CREATION_TIME, false, PROPSET_NONE)));
    item.SetValue(u"LAST-MODIFIED;TZID=Asia/Seoul",
                  CompactText(ReadLocalTime(msg, PR_LAST_MODIFICATION_TIME, false, PROPSET_NONE)));
    item.SetValue(u"ENTRYID", GetPropVal(msg, PR_ENTRYID, false, PROPSET_NONE));

    {
        const auto id = CMAPIEx::GetNamedPropValue(msg, kGlobalObjectId, true, PROPSET_MEETING);
        if (id && PROP_TYPE(id->ulPropTag) == PT_BINARY)
            item.SetValue(u"UID", AppointUIDFromGlobalID(&id->Value.bin));
    }

    const auto reminder = CMAPIEx::GetNamedPropValue(msg, kReminderSet, true, PROPSET_COMMON);
    if (reminder && PROP_TYPE(reminder->ulPropTag) == PT_BOOLEAN && reminder->Value.b) {
        item.SetAlarmValue(u"ACTION", QStringLiteral("DISPLAY"));
        item.SetAlarmValue(u"TRIGGER", TriggerSeconds(ReadLong(msg, kReminderDelta, PROPSET_COMMON).value_or(0)));
    }

    if (ReadFlag(msg, kRecurring)) {
        item.SetValue(u"RRULE", QStringLiteral("true"));
        QByteArray pattern;
        if (const auto p = CMAPIEx::GetNamedPropValue(msg, kPattern, true, PROPSET_APPOINTMENT);
            p && PROP_TYPE(p->ulPropTag) == PT_BINARY && p->Value.bin.lpb)
            pattern = QByteArray(reinterpret_cast<const char*>(p->Value.bin.lpb), static_cast<qsizetype>(p->Value.bin.cb));

        // The end type sits after the pattern-specific block, whose size depends on the pattern
        // type. UNTIL is the clip end's own date: the last day the series may occur on.
        QString until = recurrence::kNoEnd;
        const auto endType = recurrence::EndType(pattern);
        if (!endType || (*endType != recurrence::kEndNever && *endType != 0xFFFFFFFF)) {
            const double clip = ReadLocalTime(msg, kClipEnd, true, PROPSET_APPOINTMENT);
            const auto parts = oledate::ToDateTime(clip);
            if (clip != 0 && parts && parts->year < 3001)
                until = QString::asprintf("%4d-%02d-%02d", parts->year, parts->month, parts->day);
        }
        item.SetValue(u"UNTIL", until);
        item.SetValue(u"FREQ", recurrence::ServiceRepeatType(
                                   ReadLong(msg, kRecurrenceType, PROPSET_APPOINTMENT).value_or(0), pattern));
    }
    // The length in minutes, for every appointment: it also tells whole-day events apart.
    if (const auto minutes = ReadLong(msg, kDuration, PROPSET_APPOINTMENT))
        item.SetValue(u"INTERVAL", QString::number(*minutes));

    m_pParser->AppendCurrent(CSyncParser::OutlookEvents);
    SYNCLOG(synclog::kLog, "ReadAppointOutlook End\n");
    return 1;
}

int CMAPISync::SyncAppointInit(CSyncCallback* pCallback)
{
    SYNCLOG(synclog::kLog, "SyncAppointInit Start\n");
    if (!m_pParser || !m_outlook.OpenSpecialFolder(PR_IPM_APPOINTMENT_ENTRYID) || !m_outlook.GetContents()) {
        SYNCLOG(synclog::kError, "SyncAppointInit m_pItems NULL\n");
        return -1;
    }
    const double today = NowSeoulOle();
    // Whole days (fraction cut off) from a date to today; negative for a date in the future.
    const auto daysAgo = [today](double date) { return std::trunc(today - date); };
    for (;;) {
        if (pCallback && !pCallback->IsContinue())
            return -2;
        CMAPIMessage message;
        if (!m_outlook.GetNextMessage(message))
            break;
        IMessage* msg = message.GetMessageW();
        bool read = m_nSyncRangeDays <= 0;
        if (!read && ReadFlag(msg, kRecurring)) {
            // A series without a readable end never ends.
            const double seriesEnd = ReadLocalTime(msg, kClipEnd, true, PROPSET_APPOINTMENT);
            read = seriesEnd == 0 || seriesEnd > today || daysAgo(seriesEnd) <= m_nSyncRangeDays;
        } else if (!read) {
            const double start = ReadLocalTime(msg, kStart, true, PROPSET_APPOINTMENT);
            read = start > today || daysAgo(start) <= m_nSyncRangeDays;
        }
        if (read && ReadAppointOutlook(message) == -1) {
            SYNCLOG(synclog::kError, "ReadAppointOutlook Error\n");
            return -1;
        }
    }
    SYNCLOG(synclog::kLog, "SyncAppointInit End\n");
    return 1;
}
