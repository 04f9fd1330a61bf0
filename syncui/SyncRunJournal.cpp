// The sync run's journal: opened once the preferences are known, the pairs recorded (and the
// writes a cut-off run left open settled) once both sides of a kind are read, closed with the
// run's status.
#include "base/Settings.h"
#include "syncengine/SyncLog.h"
#include "syncui/SyncRun.h"

void CSyncRun::OpenJournal()
{
    m_plan.Clear();
    m_deletions.clear();
    m_bMassHeld = false;
    m_nJournalRun = 0;
    m_pJournal.reset();
    if (m_bDryRun)
        m_pSync->m_pWrites = &m_plan;
    if (m_strJournalPath.isEmpty())
        return;
    auto journal = std::make_unique<CSyncJournal>();
    if (!journal->Open(m_strJournalPath)) {
        // The sync does not depend on its journal; it only can't be taken back afterwards.
        SYNCLOG(synclog::kError, "SyncJournal open failed\n");
        return;
    }
    const QString account = ReadRegString(settings::kKeyPath, settings::kUserID, QString());
    SyncRunKind kind = m_bDryRun ? SyncRunKind::DryRun : SyncRunKind::Sync;
    m_nUndoTarget = 0;
    m_undoReport.clear();
    if (m_bUndo) {
        // The last run that wrote something; a dry run wrote nothing.
        kind = SyncRunKind::Undo;
        const std::vector<SJournalRun> runs = journal->Runs();
        for (auto it = runs.rbegin(); it != runs.rend() && !m_nUndoTarget; ++it) {
            if (it->kind == SyncRunKind::DryRun)
                continue;
            for (const SJournalWrite& w : journal->Writes(it->id))
                if (w.state != journalstate::kFailed) {
                    m_nUndoTarget = it->id;
                    break;
                }
        }
    }
    journal->Prune(syncstatus::kDone);
    m_nJournalRun = journal->BeginRun(kind, account, m_nCategoryID, m_nUndoTarget);
    m_pJournal = std::move(journal);
    if (!m_bDryRun)
        m_pSync->m_pWrites = m_pJournal.get();
}

void CSyncRun::JournalSaw(bool todo)
{
    if (!m_pJournal)
        return;
    // Settling earlier runs' open writes changes nothing on either side, so a dry run does it too.
    m_pJournal->Reconcile(*m_pSync, todo);
    ApplyDeletions(todo);
    if (m_bDryRun)
        return;
    // Pairs deleted in Outlook and left so stay pairs: the next run leaves them deleted too.
    QSet<QString> keptDeleted;
    for (const SSyncDeletion& d : m_deletions)
        if (d.todo == todo && d.deletedOn == SyncSide::Outlook)
            keptDeleted.insert(d.uid);
    m_pJournal->RecordPairs(*m_pSync, todo, keptDeleted);
}

void CSyncRun::ApplyDeletions(bool todo)
{
    const bool keep = m_keepDeletions ? *m_keepDeletions : ReadSetting(settings::SyncKeepDeletions) != 0;
    if (!m_pJournal)
        return;
    // The last run that completed: its pairs are the ones a deletion can break.
    std::optional<SJournalRun> last;
    const std::vector<SJournalRun> runs = m_pJournal->Runs();
    for (auto it = runs.rbegin(); it != runs.rend() && !last; ++it)
        if (it->kind != SyncRunKind::DryRun && it->status == syncstatus::kDone && it->id != m_nJournalRun)
            last = *it;
    if (!last)
        return;
    SDeletionInputs in;
    in.todo = todo;
    in.lastPairs = m_pJournal->Pairs(last->id, todo, !keep);
    if (keep)
        in.lastWrites = m_pJournal->Writes(last->id);
    in.lastLocalSync = m_dLastSync;
    in.lastServiceSync = m_dLastServerSync;
    in.serviceListComplete = !todo || (m_bTodoComplete && m_bTodoSub);
    in.syncRangeDays = m_nSyncRange;
    if (!keep) {
        // Without the option only the copies an undo took out of Outlook (or a run with the option
        // left deleted) stay out; everything else behaves as it always has.
        if (in.lastPairs.empty())
            return;
        in.serviceListComplete = false;
        for (const SSyncDeletion& d : FindDeletions(*m_pSync, in).found) {
            m_pSync->m_heldBack[todo ? 0 : 1].insert(d.uid);
            m_deletions.push_back(d);
        }
        return;
    }
    const SDeletionScan scan = FindDeletions(*m_pSync, in);
    if (scan.found.empty())
        return;
    // Neither deleted nor copied back this run: a deletion held back by the guard waits for the
    // user, and one applied must not be undone by the creation passes.
    for (const SSyncDeletion& d : scan.found) {
        m_pSync->m_heldBack[todo ? 0 : 1].insert(d.uid);
        m_deletions.push_back(d);
    }
    const QString kind = CSyncPlan::KindText(todo);
    if (scan.massive && !m_bAllowMassDelete) {
        m_bMassHeld = true;
        m_plan.AddNote(QStringLiteral("%1 %2건이 지워져 있어 지우지 않습니다 (전체 %3건).")
                           .arg(kind)
                           .arg(scan.found.size())
                           .arg(scan.pairs));
        return;
    }
    const CSyncParser::List outlookList = CSyncParser::OutlookList(todo);
    for (const SSyncDeletion& d : scan.found) {
        if (d.deletedOn == SyncSide::Outlook) {
            m_plan.AddNote(QStringLiteral("서비스 %1 되살리지 않음 (아웃룩에서 지움): %2").arg(kind, d.summary));
            continue;
        }
        CSyncParser* parser = m_pSync->Parser();
        const CSyncItem* before = parser->FindUID(outlookList, d.uid) ? parser->Current(outlookList) : nullptr;
        if (m_pSync->MoveToDeletedItems(todo, d.uid, d.outlookEntry, before) == -1)
            m_pSync->NoteUnsynced(d.uid);
    }
}

void CSyncRun::EndJournal(int status)
{
    if (m_pSync)
        m_pSync->m_pWrites = nullptr;
    if (m_pJournal)
        m_pJournal->EndRun(status);
    m_pJournal.reset();
}
