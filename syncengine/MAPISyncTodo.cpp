// To-do synchronisation: the service's to-do export against the Outlook Tasks folder.
#include <cerrno>
#include <cmath>

#include "base/ServiceClock.h"
#include "base/ServiceEndpoints.h"
#include "base/URLEncoder.h"
#include "syncengine/EngineHttp.h"
#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"
#include "syncengine/SyncLog.h"
#include "syncengine/TestCheckpoint.h"

namespace {

constexpr ULONG kTaskComplete = PROP_TAG(PT_BOOLEAN, 0x811C);
constexpr ULONG kTaskDueDate = PROP_TAG(PT_SYSTIME, 0x8105);
constexpr ULONG kTaskDateCompleted = PROP_TAG(PT_SYSTIME, 0x810F);
constexpr ULONG kReminderSet = PROP_TAG(PT_BOOLEAN, 0x8503);
constexpr ULONG kReminderTime = PROP_TAG(PT_SYSTIME, 0x8502);
// Our own task property: the service UID a task was copied from, so that a copy whose re-key on
// the service never happened (the run was cut off) is recognised instead of copied again.
constexpr ULONG kTodoOriginUid = PROP_TAG(PT_UNICODE, 0x81F8);

const QStringView kSummary = u"SUMMARY";
const QStringView kDescription = u"DESCRIPTION";
const QStringView kUid = u"UID";
const QStringView kDue = u"DUE;TZID=Asia/Seoul";
const QStringView kPriority = u"PRIORITY";
const QStringView kCreated = u"CREATED;TZID=Asia/Seoul";
const QStringView kModified = u"LAST-MODIFIED;TZID=Asia/Seoul";
const QStringView kCompleted = u"COMPLETED;TZID=Asia/Seoul";
const QStringView kXId = u"X-ID";

// Outlook's reminder choices, in seconds before the due date.
constexpr int kTriggers[] = {60, 300, 600, 900, 1800, 3600, 7200, 86400};
constexpr int kLongestTrigger = 604800;
constexpr double kSeoulOffsetDays = 9.0 / 24.0;

double NowSeoulDate()
{
    const QDateTime now = tamo::clock::NowSeoul();
    const QDate d = now.date();
    const QTime t = now.time();
    return oledate::FromDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second()).value_or(0);
}

// The Outlook reminder offset in seconds, settled so that a reminder survives the trip service →
// Outlook → service: measured back from the due date (its midnight in Asia/Seoul) when the task
// has one, else forward from the present.
int ReminderOffsetSeconds(double reminderSeoul, double dueDate)
{
    const double days = dueDate != 0 ? dueDate - reminderSeoul : reminderSeoul - NowSeoulDate();
    return static_cast<int>(std::llround(days * 86400.0));
}

int TriggerFor(int offsetSeconds)
{
    for (int trigger : kTriggers)
        if (trigger >= offsetSeconds)
            return trigger;
    return kLongestTrigger;
}

// Seconds of a service trigger text ("-PT900S"): the digits from its fourth character up to the
// first "S".
int TriggerSeconds(const QString& trigger)
{
    const qsizetype s = trigger.indexOf(u'S', 3);
    const QString digits = trigger.mid(3, s < 0 ? -1 : s - 3);
    bool ok = false;
    const int value = digits.toInt(&ok);
    return ok ? value : 0;
}

// Lower-case escapes, as every other form body of the system.
QString Encode(const QString& text) { return CURLEncoder::EncodeUTF8(text, true); }

QString EntryHex(IMessage* pMsg)
{
    QString hex;
    CMAPIEx::GetNamedProp(pMsg, PR_ENTRYID, false, PROPSET_NONE, hex);
    return hex;
}

}  // namespace

QString CMAPISync::TodoIdentity(const QString& strEntryID, const QString& strPCKey)
{
    return QStringLiteral("%1_%2@").arg(strEntryID, strPCKey) + CServiceConfig::Current().MailDomain();
}

ULONG CMAPISync::StringtoOlPriority(const QString& strPriority)
{
    if (strPriority == QLatin1String("1") || strPriority == QLatin1String("2"))
        return 0;
    if (strPriority == QLatin1String("4") || strPriority == QLatin1String("5"))
        return 2;
    return 1;
}

int CMAPISync::ReadTodo(bool bWithCompleted, bool bWithSubTodos)
{
    m_bWithCompleted = bWithCompleted;
    QString path = endpoints::kExportTodo;
    if (!bWithCompleted)
        path += QLatin1String("?complete=false");
    if (!bWithSubTodos)
        path += bWithCompleted ? QLatin1String("?sub=false") : QLatin1String("&sub=false");
    const enginehttp::Answer answer = enginehttp::Get(enginehttp::CalendarUrl(path));
    switch (answer.step) {
    case enginehttp::Step::Open: SYNCLOG(synclog::kError, "ReadTodo http.Open Failed \n"); return -1;
    case enginehttp::Step::Send: SYNCLOG(synclog::kError, "ReadTodo !http.Send Failed \n"); return -1;
    case enginehttp::Step::Empty: SYNCLOG(synclog::kError, "ReadTodo http.ReadAll NULL \n"); return -1;
    case enginehttp::Step::Done: break;
    }
    if (!m_pParser)
        return -1;
    m_pParser->NewItem(CSyncParser::ServiceTodos);
    m_pParser->ParseTodos(answer.text);
    return 1;
}

int CMAPISync::SyncTodoInit(CSyncCallback* pCallback)
{
    SYNCLOG(synclog::kLog, "SyncTodoInit\n");
    if (!m_pParser || !m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID) || !m_outlook.GetContents()) {
        SYNCLOG(synclog::kError, "SyncTodoInit m_pItems NULL\n");
        return -1;
    }
    for (;;) {
        if (pCallback && !pCallback->IsContinue())
            return -2;
        CMAPIMessage message;
        if (!m_outlook.GetNextMessage(message))
            return 0;
        if (ReadTodoOutlook(message) == -1)
            return -1;
    }
}

int CMAPISync::ReadTodoOutlook(CMAPIMessage& message)
{
    IMessage* pMsg = message.GetMessageW();
    CSyncItem& item = m_pParser->NewItem(CSyncParser::OutlookTodos);
    const bool complete = GetPropVal(pMsg, kTaskComplete, true, PROPSET_TASK) == QLatin1String("T");
    const SBinary* entry = message.GetEntryID();
    if (!m_bWithCompleted && complete) {
        // Left out of the run, but still known: its service to-do must not be copied back.
        const QString skipped = BinToHexString(entry, false);
        if (!skipped.isEmpty()) {
            const QString identity = TodoIdentity(skipped, m_strPCKey);
            m_todoEntryIDs.insert(identity, QByteArray(reinterpret_cast<const char*>(entry->lpb), int(entry->cb)));
            const QString origin = GetPropVal(pMsg, kTodoOriginUid, true, PROPSET_TASK);
            if (!origin.isEmpty())
                m_todoOrigins.insert(origin, identity);
        }
        return 0;
    }
    item.SetValue(kSummary, GetPropVal(pMsg, PR_SUBJECT_W, false, PROPSET_NONE));
    item.SetValue(kDescription, GetPropVal(pMsg, PR_BODY_W, false, PROPSET_NONE));

    const QString entryID = BinToHexString(message.GetEntryID(), false);
    if (entryID.isEmpty()) {
        SYNCLOG(synclog::kError, "ReadTodoOutlook strEntryID NULL \n");
        return -1;
    }
    const QString identity = TodoIdentity(entryID, m_strPCKey);
    item.SetValue(kUid, identity);
    const QString due = GetPropVal(pMsg, kTaskDueDate, true, PROPSET_TASK);
    item.SetValue(kDue, due);
    item.SetValue(kCreated, GetPropVal(pMsg, PR_CREATION_TIME, false, PROPSET_NONE));
    item.SetValue(kModified, GetPropVal(pMsg, PR_LAST_MODIFICATION_TIME, false, PROPSET_NONE));
    const QString importance = GetPropVal(pMsg, PR_IMPORTANCE, false, PROPSET_NONE);
    item.SetValue(kPriority, importance == QLatin1String("0")   ? QStringLiteral("1")
                             : importance == QLatin1String("2") ? QStringLiteral("5")
                                                                : QStringLiteral("3"));

    if (GetPropVal(pMsg, kReminderSet, true, PROPSET_COMMON) == QLatin1String("T")) {
        const MapiBuffer<SPropValue> reminder = CMAPIEx::GetNamedPropValue(pMsg, kReminderTime, true, PROPSET_COMMON);
        if (reminder && PROP_TYPE(reminder->ulPropTag) == PT_SYSTIME) {
            const double seoul = oledate::FromFileTime(reminder->Value.ft) + kSeoulOffsetDays;
            const int offset = ReminderOffsetSeconds(seoul, StringtoDate(due));
            if (offset >= 1) {
                item.SetAlarmValue(u"TRIGGER", QString::number(TriggerFor(offset)));
                item.SetAlarmValue(u"ACTION", QStringLiteral("DISPLAY"));
            }
        }
    }
    if (complete)
        item.SetValue(kCompleted, GetPropVal(pMsg, kTaskDateCompleted, true, PROPSET_TASK));

    const QString origin = GetPropVal(pMsg, kTodoOriginUid, true, PROPSET_TASK);
    if (!origin.isEmpty())
        m_todoOrigins.insert(origin, identity);
    m_todoEntryIDs.insert(identity, QByteArray(reinterpret_cast<const char*>(entry->lpb), int(entry->cb)));
    m_pParser->AppendCurrent(CSyncParser::OutlookTodos);
    return 1;
}

void CMAPISync::WriteTodoFields(IMessage* pMsg, bool bCreate)
{
    const CSyncParser::List list = CSyncParser::ServiceTodos;
    CMAPIEx::SetNamedProp(pMsg, PROPSET_NONE, PR_MESSAGE_CLASS_W, QStringLiteral("IPM.Task"));
    CMAPIEx::SetNamedProp(pMsg, PROPSET_NONE, PR_SUBJECT_W, m_pParser->Text(list, kSummary));
    if (bCreate)
        CMAPIEx::SetNamedProp(pMsg, PROPSET_NONE, PR_BODY_W, m_pParser->Text(list, kDescription));
    CMAPIEx::SetNamedProp(pMsg, PROPSET_NONE, PR_IMPORTANCE, LONG(StringtoOlPriority(m_pParser->Text(list, kPriority))));

    // A completed service to-do stays completed in Outlook, with its date.
    const double completed = StringtoDate(m_pParser->Text(list, kCompleted));
    CMAPIEx::SetNamedProp(pMsg, PROPSET_TASK, 0x811C, completed != 0);
    if (completed != 0)
        if (const auto st = oledate::ToSystemTime(std::floor(completed)))
            CMAPIEx::SetNamedProp(pMsg, PROPSET_TASK, 0x810F, *st);

    const double due = StringtoDate(m_pParser->Text(list, kDue));
    if (due != 0)
        if (const auto st = oledate::ToSystemTime(due))
            CMAPIEx::SetNamedProp(pMsg, PROPSET_TASK, 0x8105, *st);

    const bool alarm = m_pParser->AlarmText(list, u"ACTION") == QLatin1String("DISPLAY");
    if (alarm) {
        CMAPIEx::SetNamedProp(pMsg, PROPSET_COMMON, 0x8503, true);
        const int seconds = TriggerSeconds(m_pParser->AlarmText(list, u"TRIGGER"));
        double reminderSeoul = 0;
        if (due != 0 && seconds / 60 >= 1440)
            reminderSeoul = oledate::AddDays(due, -(seconds / 86400));
        else if (due != 0)
            reminderSeoul = due - seconds / 86400.0;
        else
            reminderSeoul = NowSeoulDate() + seconds / 86400.0;
        if (const auto st = oledate::ToSystemTime(reminderSeoul - kSeoulOffsetDays))
            CMAPIEx::SetNamedProp(pMsg, PROPSET_COMMON, 0x8502, *st);
    } else if (!bCreate) {
        // The service dropped the alarm: so does the Outlook copy.
        CMAPIEx::SetNamedProp(pMsg, PROPSET_COMMON, 0x8503, false);
    }
}

int CMAPISync::SaveOutlookTodo(IMessage* pMessage, bool /*bUnused*/)
{
    const CSyncParser::List list = CSyncParser::ServiceTodos;
    const QString originUid = m_pParser->Text(list, kUid);
    if (!BeginWrite(SyncSide::Outlook, true, SyncAction::Create, originUid, QString(), m_pParser->Text(list, kXId),
                    nullptr, m_pParser->Current(list)))
        return 1;
    WriteTodoFields(pMessage, true);
    CMAPIEx::SetNamedProp(pMessage, PROPSET_TASK, PROP_ID(kTodoOriginUid), originUid);
    if (FAILED(pMessage->SaveChanges(KEEP_OPEN_READWRITE))) {
        EndWrite(false);
        SYNCLOG(synclog::kError, "SaveOutlookTodo Unable to Save Outlook\n");
        return -1;
    }
    testcheckpoint::Reached("todo.outlook.create");
    const QString entryID = EntryHex(pMessage);
    EndWrite(true, entryID);
    if (entryID.isEmpty())
        SYNCLOG(synclog::kError, "SaveOutlookTodo strEntryID NULL\n");
    const QString identity = TodoIdentity(entryID, m_strPCKey);
    m_pParser->SetText(list, kUid, identity);
    return RekeyTamoTodo(m_pParser->Text(list, kXId), identity);
}

int CMAPISync::RekeyTamoTodo(const QString& strXID, const QString& strUID)
{
    const QString body = QStringLiteral("todo[uid]=%1&_method=put").arg(strUID);
    if (!BeginWrite(SyncSide::Service, true, SyncAction::Rekey, strUID, QString(), strXID, nullptr, nullptr))
        return 1;
    const enginehttp::Answer answer = enginehttp::PostForm(enginehttp::CalendarUrl(endpoints::kTodos + strXID), body);
    testcheckpoint::Reached("todo.service.rekey");
    EndWrite(answer.step == enginehttp::Step::Done);
    switch (answer.step) {
    case enginehttp::Step::Open: SYNCLOG(synclog::kError, "SaveOutlookTodo http Open Error!!\n"); return -1;
    case enginehttp::Step::Send:
        SYNCLOG(synclog::kError, "SaveOutlookTodo http.Send Error (%ld)!!\n", long(errno));
        return -1;
    case enginehttp::Step::Empty: SYNCLOG(synclog::kError, "SaveOutlookTodo http.ReadAll Error!!\n"); return -1;
    case enginehttp::Step::Done: break;
    }
    return 1;
}

QString CMAPISync::TamoTodoBody() const
{
    const CSyncParser::List list = CSyncParser::OutlookTodos;
    QString body = QStringLiteral("todo[title]=") + Encode(m_pParser->Text(list, kSummary));
    body += QStringLiteral("&todo[uid]=") + m_pParser->Text(list, kUid);
    const QString description = m_pParser->Text(list, kDescription);
    if (!description.isEmpty())
        body += QStringLiteral("&todo[description]=") + Encode(description);
    const QString due = m_pParser->Text(list, kDue);
    if (!due.isEmpty())
        body += QStringLiteral("&todo[duedate_on]=") + due;
    body += QStringLiteral("&todo[priority]=") + m_pParser->Text(list, kPriority);
    if (m_pParser->AlarmText(list, u"ACTION") == QLatin1String("DISPLAY"))
        body += QStringLiteral("&meta[set_alarm]=true&alarm[delta_sec]=%1&alarm[program]=1")
                    .arg(m_pParser->AlarmText(list, u"TRIGGER"));
    const QString completed = m_pParser->Text(list, kCompleted);
    if (!completed.isEmpty())
        body += QStringLiteral("&todo[completed_at]=") + completed;
    return body;
}

int CMAPISync::SaveTamoTodo()
{
    SYNCLOG(synclog::kLog, "SaveTamoTodo Start\n");
    const QString url = enginehttp::CalendarUrl(endpoints::kTodos);
    if (url.isEmpty()) {
        SYNCLOG(synclog::kError, "SaveTamoTodo http.Open Error!!\n");
        return -1;
    }
    SYNCLOG(synclog::kLog, "SaveTamoTodo (%s)\n",
            ToLogText(m_pParser->Text(CSyncParser::OutlookTodos, kUid)).constData());
    if (m_strPCKey.isEmpty()) {
        SYNCLOG(synclog::kError, "SaveTamoTodo NOT PCKEY Error!!\n");
        return -1;
    }
    if (!BeginWrite(SyncSide::Service, true, SyncAction::Create, m_pParser->Text(CSyncParser::OutlookTodos, kUid),
                    QString(), QString(), nullptr, m_pParser->Current(CSyncParser::OutlookTodos)))
        return 1;
    const enginehttp::Answer answer = enginehttp::PostForm(url, TamoTodoBody());
    testcheckpoint::Reached("todo.service.create");
    EndWrite(answer.step == enginehttp::Step::Done);
    switch (answer.step) {
    case enginehttp::Step::Open: SYNCLOG(synclog::kError, "SaveTamoTodo http.Open Error!!\n"); return -1;
    case enginehttp::Step::Send: return -1;
    case enginehttp::Step::Empty: SYNCLOG(synclog::kError, "SaveTamoTodo http.ReadAll NULL Error!!\n"); return -1;
    case enginehttp::Step::Done: break;
    }
    SYNCLOG(synclog::kLog, "SaveTamoTodo End\n");
    return 1;
}

int CMAPISync::ModifyTamoTodo(const QString& strXID)
{
    SYNCLOG(synclog::kLog, "ModifyTamoTodo (%s)\n",
            ToLogText(m_pParser->Text(CSyncParser::OutlookTodos, kUid)).constData());
    if (m_strPCKey.isEmpty())
        return -1;
    if (!BeginWrite(SyncSide::Service, true, SyncAction::Modify, m_pParser->Text(CSyncParser::OutlookTodos, kUid),
                    QString(), strXID, m_pParser->Current(CSyncParser::ServiceTodos),
                    m_pParser->Current(CSyncParser::OutlookTodos)))
        return 0;
    const enginehttp::Answer answer =
        enginehttp::PostForm(enginehttp::CalendarUrl(endpoints::kTodos + strXID), TamoTodoBody() + "&_method=put");
    testcheckpoint::Reached("todo.service.modify");
    EndWrite(answer.Ok());
    return answer.Ok() ? 0 : -1;
}

int CMAPISync::ModifyOutlookTodo(IMessage* pMessage)
{
    SYNCLOG(synclog::kError, "ModifyOutlookTodo Start\n");
    if (m_pWrites) {
        const QString uid = m_pParser->Text(CSyncParser::ServiceTodos, kUid);
        const CSyncItem* before =
            m_pParser->FindUID(CSyncParser::OutlookTodos, uid) ? m_pParser->Current(CSyncParser::OutlookTodos) : nullptr;
        if (!BeginWrite(SyncSide::Outlook, true, SyncAction::Modify, uid, EntryHex(pMessage),
                        m_pParser->Text(CSyncParser::ServiceTodos, kXId), before,
                        m_pParser->Current(CSyncParser::ServiceTodos)))
            return 0;
    }
    WriteTodoFields(pMessage, false);
    const bool saved = SUCCEEDED(pMessage->SaveChanges(0));
    testcheckpoint::Reached("todo.outlook.modify");
    EndWrite(saved);
    if (!saved) {
        SYNCLOG(synclog::kError, "ModifyOutlookTodo Unable to Save Outlook\n");
        return -1;
    }
    SYNCLOG(synclog::kError, "ModifyOutlookTodo End\n");
    return 0;
}

int CMAPISync::SyncTodo(CSyncCallback* pCallback)
{
    IMAPIFolder* folder = m_pParser ? m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID) : nullptr;
    if (!folder || !m_outlook.GetContents()) {
        SYNCLOG(synclog::kError, "SyncTodo m_pItems NULL\n");
        return -1;
    }
    CSyncParser& store = *m_pParser;
    if (store.Count(CSyncParser::ServiceTodos) > 0) {
        for (POSITION pos = store.HeadPosition(CSyncParser::ServiceTodos); pos;
             pos = store.NextPosition(pos, CSyncParser::ServiceTodos)) {
            if (pCallback && !pCallback->IsContinue())
                return -2;
            const QString uid = store.Text(CSyncParser::ServiceTodos, kUid);
            // Paired, or a task this run leaves out (completed ones when they are excluded).
            if (store.FindUID(CSyncParser::OutlookTodos, uid) || m_todoEntryIDs.contains(uid) || IsHeldBack(true, uid))
                continue;
            // A copy made by a run that was cut off before its re-key: finish the re-key only.
            const auto origin = m_todoOrigins.constFind(uid);
            if (origin != m_todoOrigins.constEnd() && m_todoEntryIDs.contains(*origin)) {
                store.SetText(CSyncParser::ServiceTodos, kUid, *origin);
                if (RekeyTamoTodo(store.Text(CSyncParser::ServiceTodos, kXId), *origin) == -1)
                    return -1;
                continue;
            }
            IMessage* raw = nullptr;
            if (FAILED(folder->CreateMessage(nullptr, 0, &raw)) || !raw)
                return 0;
            std::unique_ptr<IMessage, void (*)(IMessage*)> message(raw, [](IMessage* m) { m->Release(); });
            if (SaveOutlookTodo(message.get(), false) == -1)
                return -1;
        }
    }
    if (store.Count(CSyncParser::OutlookTodos) > 0) {
        for (POSITION pos = store.HeadPosition(CSyncParser::OutlookTodos); pos;
             pos = store.NextPosition(pos, CSyncParser::OutlookTodos)) {
            if (pCallback && !pCallback->IsContinue())
                return -2;
            const QString uid = store.Text(CSyncParser::OutlookTodos, kUid);
            if (store.FindUID(CSyncParser::ServiceTodos, uid) || IsHeldBack(true, uid))
                continue;
            if (SaveTamoTodo() == -1)
                return -1;
        }
    }
    return 1;
}

bool CMAPISync::OpenTodoMessage(const QString& strUID, CMAPIMessage& message, CSyncCallback* pCallback, int& nResult)
{
    nResult = 0;
    const auto known = m_todoEntryIDs.constFind(strUID);
    if (known != m_todoEntryIDs.constEnd()) {
        const SBinary entry{ULONG(known->size()), reinterpret_cast<LPBYTE>(const_cast<char*>(known->constData()))};
        if (m_outlook.OpenMessage(entry, 0, message))
            return true;
    }
    // Not read by this run: look for it in the folder.
    if (!m_outlook.GetContents())
        return false;
    for (;;) {
        if (pCallback && !pCallback->IsContinue()) {
            nResult = -2;
            return false;
        }
        if (!m_outlook.GetNextMessage(message))
            return false;
        const QString entryID = BinToHexString(message.GetEntryID(), false);
        if (entryID.isEmpty())
            SYNCLOG(synclog::kError, "SyncTodoConflict strEntryID NULL\n");
        else if (TodoIdentity(entryID, m_strPCKey) == strUID)
            return true;
    }
}

int CMAPISync::SyncTodoConflict(const QString& strUID, int nDirection, CSyncCallback* pCallback)
{
    SYNCLOG(synclog::kLog, "SyncTodoConflict Start\n");
    // The contents table is made only when a task has to be looked for (see OpenTodoMessage):
    // one per pair would make settling all pairs quadratic.
    IMAPIFolder* folder = m_pParser ? m_outlook.OpenSpecialFolder(PR_IPM_TASK_ENTRYID) : nullptr;
    if (!folder) {
        SYNCLOG(synclog::kError, "SyncTodo m_pItems NULL\n");
        return -1;
    }
    CSyncParser& store = *m_pParser;
    if (nDirection == 0) {
        if (store.FindUID(CSyncParser::ServiceTodos, strUID)) {
            IMessage* raw = nullptr;
            if (FAILED(folder->CreateMessage(nullptr, 0, &raw)) || !raw)
                return 0;
            std::unique_ptr<IMessage, void (*)(IMessage*)> message(raw, [](IMessage* m) { m->Release(); });
            if (SaveOutlookTodo(message.get(), false) == -1) {
                NoteUnsynced(strUID);
                return -1;
            }
        }
        if (store.FindUID(CSyncParser::OutlookTodos, strUID) && SaveTamoTodo() == -1)
            NoteUnsynced(strUID);
    } else if (nDirection == 1) {
        if (store.FindUID(CSyncParser::ServiceTodos, strUID)) {
            CMAPIMessage message;
            int result = 0;
            if (OpenTodoMessage(strUID, message, pCallback, result)) {
                if (ModifyOutlookTodo(message.GetMessageW()) == -1)
                    NoteUnsynced(strUID);
            } else if (result == -2) {
                return -2;
            }
        }
    } else if (nDirection == 2) {
        if (store.FindUID(CSyncParser::OutlookTodos, strUID)) {
            if (pCallback && !pCallback->IsContinue())
                return -2;
            if (store.FindUID(CSyncParser::ServiceTodos, strUID) &&
                ModifyTamoTodo(store.Text(CSyncParser::ServiceTodos, kXId)) == -1)
                NoteUnsynced(strUID);
        }
    }
    SYNCLOG(synclog::kLog, "SyncTodoConflict End\n");
    return 0;
}
