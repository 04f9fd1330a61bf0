// Writing one appointment: into Outlook from the current service event, onto the service from
// the current Outlook event.
#include <cmath>

#include "base/URLEncoder.h"
#include "syncengine/AppointProps.h"
#include "syncengine/EngineHttp.h"
#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"
#include "syncengine/Recurrence.h"
#include "syncengine/SyncLog.h"
#include "syncengine/TestCheckpoint.h"

namespace {

using namespace appointprops;

const QString kTrue = QStringLiteral("true");

std::optional<SYSTEMTIME> SystemTimeOf(double date)
{
    return date == 0 ? std::nullopt : oledate::ToSystemTime(date);
}

void SetTime(IMessage* msg, ULONG tag, int set, double date)
{
    if (const auto st = SystemTimeOf(date))
        CMAPIEx::SetNamedProp(msg, set, PROP_ID(tag), *st);
}

// Steps shared by the new and the overwritten Outlook appointment: texts, times, repetition and
// reminder from the current service event.
void FillOutlookAppoint(IMessage* msg, const CSyncParser& parser)
{
    const auto text = [&parser](QStringView key) { return parser.Text(CSyncParser::ServiceEvents, key); };
    CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_MESSAGE_CLASS_W, QStringLiteral("IPM.Appointment"));
    CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_SUBJECT_W, text(u"SUMMARY"));
    CMAPIEx::SetNamedProp(msg, PROPSET_NONE, PR_BODY_W, text(u"DESCRIPTION"));

    double start = CMAPISync::StringtoDate(text(u"DTSTART;TZID=Asia/Seoul"));
    double end = CMAPISync::StringtoDate(text(u"DTEND;TZID=Asia/Seoul"));
    const bool allDay = start == 0;
    if (allDay) {
        start = CMAPISync::StringtoDate(text(u"DTSTART;VALUE=DATE"));
        end = CMAPISync::StringtoDate(text(u"DTEND;VALUE=DATE"));
    }
    CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, PROP_ID(kAllDay), allDay);
    if (start != 0)
        SetTime(msg, kStart, PROPSET_APPOINTMENT, start - kSeoulShiftDays);
    if (end != 0)
        SetTime(msg, kEnd, PROPSET_APPOINTMENT, end - kSeoulShiftDays);
    const int minutes = start != 0 && end >= start ? static_cast<int>(std::lround((end - start) * 1440)) : 0;
    // Outlook keeps the length beside the times; the reading side takes repeat lengths from it.
    CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, PROP_ID(kDuration), static_cast<LONG>(minutes));

    const bool repeats = text(u"RRULE") == kTrue;
    if (repeats && start != 0) {
        const recurrence::ServiceRule rule{text(u"FREQ"), text(u"INTERVAL"), text(u"BYDAY"), text(u"UNTIL")};
        const recurrence::OutlookRecurrence r = recurrence::Build(rule, OleToDateTime(start), minutes);
        if (!r.pattern.isEmpty()) {
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, PROP_ID(kRecurring), true);
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, PROP_ID(kRecurrenceType), static_cast<LONG>(r.type));
            CMAPIEx::SetNamedProp(msg, PROPSET_APPOINTMENT, PROP_ID(kPattern),
                                  reinterpret_cast<const BYTE*>(r.pattern.constData()),
                                  static_cast<ULONG>(r.pattern.size()));
            // The last day at midnight; a series without end gets the far date Outlook uses.
            const QDate clip = r.clipEnd.isValid() ? r.clipEnd : QDate(4500, 8, 31);
            const QTime at = r.clipEnd.isValid() ? QTime(0, 0) : QTime(23, 59);
            if (const auto d = DateTimeToOle(QDateTime(clip, at, Qt::UTC)))
                SetTime(msg, kClipEnd, PROPSET_APPOINTMENT, *d);
        }
    }

    if (parser.AlarmText(CSyncParser::ServiceEvents, u"ACTION") != u"DISPLAY") {
        CMAPIEx::SetNamedProp(msg, PROPSET_COMMON, PROP_ID(kReminderSet), false);
    } else if (start > NowSeoulOle() || repeats) {
        CMAPIEx::SetNamedProp(msg, PROPSET_COMMON, PROP_ID(kReminderSet), true);
        // "-PT900S": the number from the fourth character up to the "S".
        const QString trigger = parser.AlarmText(CSyncParser::ServiceEvents, u"TRIGGER");
        const QString digits = trigger.mid(3).section(u'S', 0, 0);
        const long seconds = digits.toLong();
        CMAPIEx::SetNamedProp(msg, PROPSET_COMMON, PROP_ID(kReminderDelta), static_cast<LONG>(seconds / 60));
        SetTime(msg, kReminderTime, PROPSET_COMMON, start - kSeoulShiftDays);
    }
}

// The form body of the current Outlook event; create adds the UID, modify the put method.
QString TamoAppointBody(const CSyncParser& parser, LONG calendarId, bool create)
{
    const auto text = [&parser](QStringView key) { return parser.Text(CSyncParser::OutlookEvents, key); };
    const bool repeats = text(u"RRULE") == kTrue;
    const int minutes = text(u"INTERVAL").toInt();
    QString body = QStringLiteral("event[title]=") + CURLEncoder::EncodeUTF8(text(u"SUMMARY"), true);
    if (calendarId != -1)
        body += QStringLiteral("&event[calendar_id]=%1").arg(calendarId);
    if (text(u"ALLDAY") == kTrue)
        body += minutes % 1440 == 0 ? QStringLiteral("&event[allday]=true") : QStringLiteral("&event[allday]=false");
    const QString start = text(u"DTSTART;TZID=Asia/Seoul");
    if (!start.isEmpty())
        body += QStringLiteral("&event[start_at]=") + start;
    if (!repeats && !text(u"DTEND;TZID=Asia/Seoul").isEmpty())
        body += QStringLiteral("&event[end_at]=") + text(u"DTEND;TZID=Asia/Seoul");
    if (repeats) {
        // One occurrence's end; whole-day lengths end on the day before, as the service counts.
        double end = CMAPISync::StringtoDate(start) + minutes / 1440.0;
        if (minutes != 0 && minutes % 1440 == 0)
            end -= 1;
        if (const auto p = oledate::ToDateTime(end); p && start.size())
            body += QString::asprintf("&event[end_at]=%4d-%02d-%02dT%02d:%02d:%02d", p->year, p->month, p->day,
                                      p->hour, p->minute, p->second);
    }
    if (create && !text(u"UID").isEmpty())
        body += QStringLiteral("&event[uid]=") + CURLEncoder::EncodeUTF8(text(u"UID"), true);
    if (!text(u"DESCRIPTION").isEmpty())
        body += QStringLiteral("&event[description]=") + CURLEncoder::EncodeUTF8(text(u"DESCRIPTION"), true);
    if (parser.AlarmText(CSyncParser::OutlookEvents, u"ACTION") == u"DISPLAY")
        body += QStringLiteral("&meta[set_alarm]=true&alarm[delta_sec]=") +
                parser.AlarmText(CSyncParser::OutlookEvents, u"TRIGGER") + QStringLiteral("&alarm[program]=1");
    if (repeats) {
        body += QStringLiteral("&meta[set_repeat]=true&repeat[setting]=true");
        const QString until = text(u"UNTIL");
        body += until.isEmpty() || until == recurrence::kNoEnd ? recurrence::kNoEnd
                                                                : QStringLiteral("&repeat[until_on]=") + until;
        body += QStringLiteral("&repeat[type]=") + text(u"FREQ");
        if (!create)
            body += QStringLiteral("&meta_event[modify_type]=all");
    }
    if (!create)
        body += QStringLiteral("&_method=put");
    return body;
}

// The service's own refusal: an error status or its XML error form. The answer arrived but tells
// nothing the engine can use.
bool IsServiceErrorAnswer(const enginehttp::Answer& answer)
{
    return answer.status >= 400 || answer.text.contains(u"<ERROR");
}

}  // namespace

// The quoted value of "uid" in the service's creation answer; empty when there is none or the
// text ends before its closing quote.
QString CMAPISync::UIDFromCreationAnswer(const QString& answer)
{
    static const QString kKey = QStringLiteral("\"uid\"");
    for (qsizetype at = answer.indexOf(kKey); at >= 0; at = answer.indexOf(kKey, at + 1)) {
        qsizetype i = at + kKey.size();
        while (i < answer.size() && answer[i].isSpace())
            ++i;
        if (i >= answer.size() || answer[i] != u':')
            continue;
        ++i;
        while (i < answer.size() && answer[i].isSpace())
            ++i;
        if (i >= answer.size() || answer[i] != u'"')
            continue;
        QString uid;
        for (++i; i < answer.size(); ++i) {
            if (answer[i] == u'\\' && i + 1 < answer.size()) {
                uid += answer[++i];
            } else if (answer[i] == u'"') {
                return uid;
            } else {
                uid += answer[i];
            }
        }
        return {};
    }
    return {};
}

int CMAPISync::SaveOutlookAppoint(IMessage* pMsg, bool /*bFlag*/)
{
    SYNCLOG(synclog::kLog, "SaveOutlookAppointSTART\n");
    if (!pMsg || !m_pParser)
        return -1;
    if (!BeginWrite(SyncSide::Outlook, false, SyncAction::Create, m_pParser->Text(CSyncParser::ServiceEvents, u"UID"),
                    QString(), m_pParser->Text(CSyncParser::ServiceEvents, u"X-ID"), nullptr,
                    m_pParser->Current(CSyncParser::ServiceEvents)))
        return 1;
    FillOutlookAppoint(pMsg, *m_pParser);
    // The global object id goes in with the first save: an appointment saved without it and cut
    // off before a second save would come back as a new event on the next run.
    const QString uid = m_pParser->Text(CSyncParser::ServiceEvents, u"UID");
    const QByteArray blob = AppointGlobalIDBlob(uid);
    CMAPIEx::SetNamedProp(pMsg, PROPSET_MEETING, PROP_ID(kGlobalObjectId),
                          reinterpret_cast<const BYTE*>(blob.constData()), static_cast<ULONG>(blob.size()));
    if (pMsg->SaveChanges(KEEP_OPEN_READWRITE) != S_OK) {
        EndWrite(false);
        SYNCLOG(synclog::kError, "SaveOutlookAppoint Unable to Save Outlook\n");
        return -1;
    }
    testcheckpoint::Reached("event.outlook.create");
    if (m_pWrites) {
        QString entryHex;
        CMAPIEx::GetNamedProp(pMsg, PR_ENTRYID, false, PROPSET_NONE, entryHex);
        EndWrite(true, entryHex);
    }
    if (m_pAppointIndex && !uid.isEmpty() && !m_pAppointIndex->contains(uid)) {
        if (const auto eid = CMAPIEx::GetNamedPropValue(pMsg, PR_ENTRYID, false, PROPSET_NONE))
            m_pAppointIndex->insert(uid, QByteArray(reinterpret_cast<const char*>(eid->Value.bin.lpb),
                                                    static_cast<qsizetype>(eid->Value.bin.cb)));
    }
    SYNCLOG(synclog::kLog, "SaveOutlookAppoint END\n");
    return 1;
}

int CMAPISync::ModifyOutlookAppoint(IMessage* pMsg)
{
    SYNCLOG(synclog::kLog, "ModifyOutlookAppoint START aaaa\n");
    SYNCLOG(synclog::kLog, "ModifyOutlookAppoint START\n");
    if (!pMsg || !m_pParser)
        return -1;
    if (m_pWrites) {
        const QString uid = m_pParser->Text(CSyncParser::ServiceEvents, u"UID");
        const CSyncItem* before =
            m_pParser->FindUID(CSyncParser::OutlookEvents, uid) ? m_pParser->Current(CSyncParser::OutlookEvents) : nullptr;
        QString entryHex;
        CMAPIEx::GetNamedProp(pMsg, PR_ENTRYID, false, PROPSET_NONE, entryHex);
        if (!BeginWrite(SyncSide::Outlook, false, SyncAction::Modify, uid, entryHex,
                        m_pParser->Text(CSyncParser::ServiceEvents, u"X-ID"), before,
                        m_pParser->Current(CSyncParser::ServiceEvents)))
            return 1;
    }
    pMsg->AddRef();
    FillOutlookAppoint(pMsg, *m_pParser);
    const HRESULT hr = pMsg->SaveChanges(0);
    pMsg->Release();
    testcheckpoint::Reached("event.outlook.modify");
    EndWrite(hr == S_OK);
    if (hr != S_OK) {
        SYNCLOG(synclog::kError, "ModifyOutlookAppoint Unable to Save Outlook\n");
        return -1;
    }
    SYNCLOG(synclog::kLog, "ModifyOutlookAppoint END\n");
    return 1;
}

bool CMAPISync::SetAppointGlobalID(const QString& strEntryID, const QByteArray& blob)
{
    // The message is opened directly: reopening the folder's contents for every creation would
    // make the pass quadratic.
    QByteArray entry = QByteArray::fromHex(strEntryID.toLatin1());
    CMAPIMessage message;
    if (entry.isEmpty() ||
        !m_outlook.OpenMessage(SBinary{static_cast<ULONG>(entry.size()), reinterpret_cast<LPBYTE>(entry.data())}, 0,
                               message))
        return false;
    CMAPIEx::SetNamedProp(message.GetMessageW(), PROPSET_MEETING, PROP_ID(kGlobalObjectId),
                          reinterpret_cast<const BYTE*>(blob.constData()), static_cast<ULONG>(blob.size()));
    const bool saved = message.GetMessageW()->SaveChanges(KEEP_OPEN_READWRITE) == S_OK;
    message.Close();
    return saved;
}

int CMAPISync::SaveTamoAppoint()
{
    SYNCLOG(synclog::kLog, "SaveTamoAppoint START\n");
    if (!m_pParser)
        return -1;
    QString uid = m_pParser->Text(CSyncParser::OutlookEvents, u"UID");
    const QString entryID = m_pParser->Text(CSyncParser::OutlookEvents, u"ENTRYID");
    if (!BeginWrite(SyncSide::Service, false, SyncAction::Create, uid, entryID, QString(), nullptr,
                    m_pParser->Current(CSyncParser::OutlookEvents)))
        return 0;
    const bool givenHere = uid.isEmpty();
    if (givenHere) {
        // An appointment another program wrote without a global object id gets one, as Outlook
        // would give it, before the service hears of it: the service keeps it as the event's UID,
        // so the two are paired on the next run even when this run never sees the answer.
        const QByteArray blob = NewAppointGlobalID();
        if (!SetAppointGlobalID(entryID, blob)) {
            EndWrite(false);
            SYNCLOG(synclog::kError, "SaveTamoAppoint Unable to Save Outlook\n");
            return -1;
        }
        testcheckpoint::Reached("event.outlook.globalid");
        const SBinary bin{static_cast<ULONG>(blob.size()), reinterpret_cast<LPBYTE>(const_cast<char*>(blob.constData()))};
        uid = AppointUIDFromGlobalID(&bin);
        m_pParser->SetText(CSyncParser::OutlookEvents, u"UID", uid);
        if (m_pAppointIndex)
            m_pAppointIndex->insert(uid, QByteArray::fromHex(entryID.toLatin1()));
    }
    const enginehttp::Answer answer = enginehttp::PostForm(enginehttp::CalendarUrl(QStringLiteral("/events/")),
                                                           TamoAppointBody(*m_pParser, m_lCalendarID, true));
    testcheckpoint::Reached("event.service.create");
    // A refused or unreadable answer may still have created the event: the journal settles that
    // at the next run by looking at the export.
    EndWrite(answer.Ok() && !IsServiceErrorAnswer(answer), QString(), uid);
    if (answer.step == enginehttp::Step::Open) {
        SYNCLOG(synclog::kLog, "SaveTamoAppoint Http Open Error\n");
        return -1;
    }
    if (answer.step == enginehttp::Step::Send)
        return -1;
    if (!answer.Ok() || answer.text.left(10).contains(u"error page")) {
        SYNCLOG(synclog::kError, "SaveTamoAppoint ReadAll ERROR \n");
        return -1;
    }
    if (IsServiceErrorAnswer(answer)) {
        SYNCLOG(synclog::kError, "SaveTamoAppoint Service ERROR (%u)\n", answer.status);
        return -2;
    }
    // A service that keeps a UID of its own instead of the one just given: Outlook takes that one.
    const QString answered = givenHere ? UIDFromCreationAnswer(answer.text) : QString();
    if (!answered.isEmpty() && answered != uid) {
        if (!SetAppointGlobalID(entryID, AppointGlobalIDBlob(answered)))
            return -1;
        m_pParser->SetText(CSyncParser::OutlookEvents, u"UID", answered);
        m_pAppointIndex.reset();  // that message's UID changed: the index is rebuilt when needed
    }
    SYNCLOG(synclog::kLog, "SaveTamoAppoint End\n");
    return 0;
}

int CMAPISync::ModifyTamoAppoint(const QString& strXID)
{
    SYNCLOG(synclog::kLog, "ModifyTamoAppoint START\n");
    if (!m_pParser)
        return -1;
    if (!BeginWrite(SyncSide::Service, false, SyncAction::Modify, m_pParser->Text(CSyncParser::OutlookEvents, u"UID"),
                    m_pParser->Text(CSyncParser::OutlookEvents, u"ENTRYID"), strXID,
                    m_pParser->Current(CSyncParser::ServiceEvents), m_pParser->Current(CSyncParser::OutlookEvents)))
        return 1;
    const enginehttp::Answer answer =
        enginehttp::PostForm(enginehttp::CalendarUrl(QStringLiteral("/events/") + strXID),
                             TamoAppointBody(*m_pParser, m_lCalendarID, false));
    testcheckpoint::Reached("event.service.modify");
    EndWrite(answer.Ok());
    if (answer.step == enginehttp::Step::Open) {
        SYNCLOG(synclog::kLog, "SaveTamoAppoint Http Open Error\n");
        return -1;
    }
    if (answer.step == enginehttp::Step::Send)
        return -1;
    if (!answer.Ok()) {
        SYNCLOG(synclog::kError, "SaveTamoAppoint ReadAll ERROR\n");
        return -1;
    }
    SYNCLOG(synclog::kLog, "ModifyTamoAppoint End\n");
    return 1;
}
