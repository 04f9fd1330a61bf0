// Taking back the last run that wrote something, by its journal: Outlook items it created go to
// Deleted Items, items it changed get their earlier values back through the ordinary writes (so
// the undo is journalled like any run, and can itself be taken back). Items changed by anyone
// since are left alone and reported; items it created on the service are listed (the service's
// interface deletes nothing).
#include <algorithm>

#include <QJsonDocument>
#include <QJsonObject>

#include "syncengine/AppointProps.h"
#include "syncui/SyncRun.h"

using namespace syncstatus;

namespace {

QJsonObject Values(const QString& json) { return QJsonDocument::fromJson(json.toUtf8()).object(); }

// Fills a fresh item with recorded values; the alarm's lead time in the form the target list
// keeps it ("-PT900S" for service items, seconds for Outlook ones).
void Fill(CSyncItem& item, const QJsonObject& values, bool serviceForm)
{
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QString key = it.key();
        const QString value = it.value().toString();
        if (key == QLatin1String("ALARM-ACTION")) {
            item.SetAlarmValue(u"ACTION", value);
        } else if (key == QLatin1String("ALARM-TRIGGER")) {
            QString digits = value;
            digits.remove(QLatin1String("-PT")).remove(u'S');
            item.SetAlarmValue(u"TRIGGER", serviceForm ? QStringLiteral("-PT%1S").arg(digits) : digits);
        } else if (!serviceForm && key.startsWith(QLatin1String("DT"))) {
            // The service takes its times dashed, as the Outlook reader gives them.
            item.SetValue(key, appointprops::DashedText(CMAPISync::StringtoDate(value)));
        } else {
            item.SetValue(key, value);
        }
    }
}

// A single timed event: repeating and whole-day ones keep values that don't travel back unchanged.
bool IsPlainEvent(const QJsonObject& values)
{
    const QString rule = values.value("RRULE").toString();
    return (rule.isEmpty() || rule == QLatin1String("false")) && values.value("ALLDAY").toString() != QLatin1String("true") &&
           !values.value("DTSTART;TZID=Asia/Seoul").toString().isEmpty();
}

long long Seconds(double days) { return static_cast<long long>(days * 86400.0 + 0.5); }

}  // namespace

int CSyncRun::DoUndo()
{
    if (!m_pJournal || !m_nUndoTarget)
        return kNothingToUndo;
    if (m_bTodoCheck) {
        const int init = m_pSync->SyncTodoInit(this);
        if (init == -1)
            return kReadOutlookTodoFailed;
        if (init == -2)
            return kStopped;
        m_pJournal->Reconcile(*m_pSync, true);
    }
    if (m_bEventCheck) {
        const int init = m_pSync->SyncAppointInit(this);
        if (init == -1)
            return kReadOutlookEventFailed;
        if (init == -2)
            return kStopped;
        m_pJournal->Reconcile(*m_pSync, false);
    }
    SetProgress(50);
    // Changes after the run's end (or, for a run that was cut off, after its last write) are
    // someone else's.
    const std::vector<SJournalWrite> writes = m_pJournal->Writes(m_nUndoTarget);
    QString until;
    for (const SJournalRun& run : m_pJournal->Runs())
        if (run.id == m_nUndoTarget)
            until = run.ended;
    double slack = 0;
    if (until.isEmpty()) {
        // A run cut off has no end: its last intent, and the moment its write took.
        for (const SJournalWrite& w : writes)
            until = std::max(until, w.at);
        slack = 2.0 / 86400;
    }
    const double untilDate = CMAPISync::StringtoDate(until) + slack;

    QSet<QString> keptDeleted[2];
    for (auto it = writes.rbegin(); it != writes.rend(); ++it) {
        if (IsInterrupted())
            return kStopped;
        if (it->state == journalstate::kDone)
            UndoWrite(*it, untilDate, keptDeleted);
    }
    // The copies taken out of Outlook stay out at the next runs, as deletions made there would.
    if (m_bTodoCheck)
        m_pJournal->RecordPairs(*m_pSync, true, keptDeleted[0]);
    if (m_bEventCheck)
        m_pJournal->RecordPairs(*m_pSync, false, keptDeleted[1]);
    SetProgress(95);
    return kDone;
}

void CSyncRun::UndoWrite(const SJournalWrite& w, double until, QSet<QString> (&keptDeleted)[2])
{
    const SSyncWrite& write = w.write;
    const bool todo = write.todo;
    auto report = [&](const QString& what) {
        m_undoReport << QStringLiteral("%1: %2 %3 %4")
                            .arg(what, CSyncPlan::SideText(write.side), CSyncPlan::KindText(todo), write.summary);
    };
    if (write.action == SyncAction::Rekey)
        return;  // the service to-do keeps the identity of its Outlook copy, wherever that is now
    if (write.side == SyncSide::Service && write.action == SyncAction::Create) {
        report(QStringLiteral("서비스에 남아 있음 (서비스에서 지워 주세요)"));
        return;
    }
    if ((todo && !m_bTodoCheck) || (!todo && !m_bEventCheck)) {
        report(QStringLiteral("그대로 둠 (싱크하지 않는 항목)"));
        return;
    }
    CSyncParser* parser = m_pSync->Parser();
    const CSyncParser::List outlookList = CSyncParser::OutlookList(todo);
    const CSyncParser::List serviceList = CSyncParser::ServiceList(todo);
    const QByteArray entry = QByteArray::fromHex(write.entryId.toLatin1());
    const QString written = Values(write.after).value("SUMMARY").toString();
    const QString leftAlone = QStringLiteral("그대로 둠 (싱크 뒤에 바뀜)");

    if (write.side == SyncSide::Outlook && write.action == SyncAction::Delete) {
        if (m_pSync->RestoreFromDeletedItems(todo, write.uid, entry, nullptr) == -1)
            m_pSync->NoteUnsynced(write.uid);
        else
            report(QStringLiteral("지운 편지함에서 되살림"));
        return;
    }

    if (write.side == SyncSide::Outlook) {
        // A task copied from the service goes by its own identity since the re-key.
        const QString uid = todo && write.action == SyncAction::Create
                                ? CMAPISync::TodoIdentity(write.entryId, m_pSync->m_strPCKey)
                                : write.uid;
        if (!parser->FindUID(outlookList, uid)) {
            report(QStringLiteral("이미 없음"));
            return;
        }
        const CSyncItem* item = parser->Current(outlookList);
        const double modified = CMAPISync::StringtoDate(item->Value(u"LAST-MODIFIED;TZID=Asia/Seoul"));
        if (Seconds(modified) > Seconds(until) || item->Value(u"SUMMARY") != written) {
            report(leftAlone);
            return;
        }
        if (write.action == SyncAction::Create) {
            if (m_pSync->MoveToDeletedItems(todo, uid, entry, item) == -1) {
                m_pSync->NoteUnsynced(uid);
                return;
            }
            keptDeleted[todo ? 0 : 1].insert(uid);
            report(QStringLiteral("지운 편지함으로 옮김"));
            return;
        }
        const QJsonObject before = Values(write.before);
        if (!todo && !IsPlainEvent(before)) {
            report(QStringLiteral("그대로 둠 (반복·종일 일정은 되돌리지 못함)"));
            return;
        }
        CMAPIMessage message;
        QByteArray id = entry;
        if (id.isEmpty() ||
            !m_pSync->m_outlook.OpenMessage(SBinary{ULONG(id.size()), reinterpret_cast<LPBYTE>(id.data())}, 0, message)) {
            m_pSync->NoteUnsynced(uid);
            return;
        }
        CSyncItem& earlier = parser->NewItem(serviceList);
        Fill(earlier, before, true);
        earlier.SetValue(u"UID", uid);
        const bool ok = todo ? m_pSync->ModifyOutlookTodo(message.GetMessageW()) == 0
                             : m_pSync->ModifyOutlookAppoint(message.GetMessageW()) == 1;
        if (!ok)
            m_pSync->NoteUnsynced(uid);
        else
            report(QStringLiteral("되돌림"));
        return;
    }

    // A change on the service: its earlier values go back through the ordinary modify request.
    if (!parser->FindUID(serviceList, write.uid)) {
        report(QStringLiteral("이미 없음"));
        return;
    }
    if (parser->Text(serviceList, u"SUMMARY") != written) {
        report(leftAlone);
        return;
    }
    const QJsonObject before = Values(write.before);
    if (!todo && !IsPlainEvent(before)) {
        report(QStringLiteral("그대로 둠 (반복·종일 일정은 되돌리지 못함)"));
        return;
    }
    CSyncItem& earlier = parser->NewItem(outlookList);
    Fill(earlier, before, false);
    earlier.SetValue(u"UID", write.uid);
    const bool ok = todo ? m_pSync->ModifyTamoTodo(write.record) == 0 : m_pSync->ModifyTamoAppoint(write.record) == 1;
    if (!ok)
        m_pSync->NoteUnsynced(write.uid);
    else
        report(QStringLiteral("되돌림"));
}
