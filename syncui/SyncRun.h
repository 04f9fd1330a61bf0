#pragma once

// One synchronisation run without a window: reads the sync preferences, prepares the engine,
// reads both sides on the caller's thread, then runs the engine's steps on a worker thread and
// ends with a status code (1000 done, 1001 … 1400 failures and stops). The sync dialog and
// tamo-sync both drive it.

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QSet>
#include <QString>
#include <QStringList>

#include "base/Thread.h"
#include "syncui/SyncLock.h"
#include "syncengine/MAPISync.h"
#include "syncengine/SyncCallback.h"
#include "syncengine/SyncDeletions.h"
#include "syncengine/SyncJournal.h"
#include "syncengine/SyncPlan.h"

namespace syncstatus {
constexpr int kDone = 1000;
constexpr int kNoPreferences = 1001;
constexpr int kNoCategory = 1002;
constexpr int kNoOutlook = 1004;
constexpr int kNoPcKey = 1005;
constexpr int kReadTodoFailed = 1006;
constexpr int kReadOutlookTodoFailed = 1007;
constexpr int kTodoSyncFailed = 1008;
constexpr int kReadEventFailed = 1009;
constexpr int kReadOutlookEventFailed = 1010;
constexpr int kEventSyncFailed = 1011;
constexpr int kNoWorker = 1012;
constexpr int kStopped = 1013;
constexpr int kConflictsDeclined = 1014;
constexpr int kIncomplete = 1015;  // every step ran, but some items did not get through
constexpr int kBusy = 1016;        // another run holds this Outlook store
constexpr int kMassDeletion = 1017;  // deletions held back by the mass-deletion guard; the rest synced
constexpr int kNothingToUndo = 1018;
constexpr int kNothingSelected = 1020;
constexpr int kDuplicateEvents = 1400;

// The message shown for a code (empty for the silent ones); unsynced is the number of items that
// did not get through (kIncomplete).
QString Message(int code, int unsynced = 0);
// What the caller of the modal run gets: 1 (OK), 100 (open the sync options) or 2 (cancel).
int DialogResult(int code);
}  // namespace syncstatus

// A pair offered to the user, and the user's decision about it.
struct SSyncConflict {
    QString uid;
    QString serviceText;
    QString outlookText;
    bool todo = true;
    bool serviceNewer = false;  // IsLastDate
};
struct SSyncDecision {
    QString uid;
    int direction = -1;  // -1 nothing, 0 keep both, 1 service wins, 2 Outlook wins
    bool todo = true;
};

class CSyncRun : public CThread, public CSyncCallback {
public:
    // Shows the conflicts and answers the decisions; nothing when the user closed it without
    // choosing to sync (the run then ends with 1014).
    using Chooser = std::function<std::optional<std::vector<SSyncDecision>>(const std::vector<SSyncConflict>&)>;

    CSyncRun();
    ~CSyncRun() override;

    // Called on the worker thread (progress) or the starting thread (notices).
    void SetProgressHandler(std::function<void(int)> handler) { m_onProgress = std::move(handler); }
    void SetNoticeHandler(std::function<void(const QString&)> handler) { m_onNotice = std::move(handler); }
    void SetChooser(Chooser chooser) { m_chooser = std::move(chooser); }

    // The start on the caller's thread: 0 when the worker was started, else the status code that
    // ended the start (the worker is not started). kBusy when another run holds the store.
    int Begin();
    // Waits for the worker and answers its status; on 1000 records "SyncDate" and "SyncServerDate".
    // A run in which some item writes failed ends with kIncomplete and records no times, so the
    // next run takes every change since the last complete one again.
    int Finish();
    // Begin, then Finish.
    int Execute();
    // Cancel button: the interrupted flag and the stop flag.
    void Cancel();

    // The service requests of the run.
    int GetCategory();
    int GetPCKeyhttp();
    static int GetDefaultCategory();
    static QString GetServerTime();

    // The worker's sequence and its steps.
    int DoSync();
    int SyncTodo();
    int SyncAppointment();
    int SyncConflict();
    int SyncLastModify();

    bool IsContinue() override { return !IsInterrupted(); }
    int GetProgress(int nTotal, int nCurrent) override;

    CMAPISync* Engine() const { return m_pSync.get(); }
    // Items of the run that did not get through to the other side.
    int UnsyncedCount() const { return m_pSync ? m_pSync->GetUnsyncedCount() : 0; }
    // The message for a status code of this run.
    QString StatusMessage(int code) const { return syncstatus::Message(code, UnsyncedCount()); }
    int Progress() const { return m_nBar.load(); }

    // A dry run: every read step and every decision, no write on either side and no sync times
    // recorded; Plan() then says what a real run would write (conflicts are listed, not asked).
    // The journal records only that the dry run happened. Set before Begin.
    void SetDryRun(bool dry) { m_bDryRun = dry; }
    bool IsDryRun() const { return m_bDryRun; }
    const CSyncPlan& Plan() const { return m_plan; }
    // The journal file (default: CSyncJournal::DefaultPath()); empty keeps none.
    void SetJournalPath(const QString& path) { m_strJournalPath = path; }
    // This run's number in the journal; 0 without one.
    qint64 JournalRun() const { return m_nJournalRun; }
    // Deletions that stay deleted: the settings value "SyncKeepDeletions" unless set here.
    void SetKeepDeletions(bool keep) { m_keepDeletions = keep; }
    // Applies deletions that the mass-deletion guard would hold back (the user agreed).
    void SetAllowMassDelete(bool allow) { m_bAllowMassDelete = allow; }
    // The deletions the run found, and whether the guard held back a kind's (status kMassDeletion).
    const std::vector<SSyncDeletion>& Deletions() const { return m_deletions; }
    bool MassDeletionHeld() const { return m_bMassHeld; }
    // Takes back the last run that wrote something (a sync, or an undo, which can be taken back
    // too) instead of synchronising. Set before Begin.
    void SetUndoLast(bool undo) { m_bUndo = undo; }
    // What the undo did and what it left alone, one line per item.
    const QStringList& UndoReport() const { return m_undoReport; }

    // Preferences, as read by GetCategory.
    int m_nCategoryID = -1;
    int m_nSyncRange = 30;
    bool m_bEventCheck = true;
    bool m_bTodoCheck = false;
    bool m_bTodoComplete = false;
    bool m_bTodoSub = false;
    bool m_bConflict = true;
    bool m_bEvent2Check = false;
    std::atomic<bool> m_bStop{false};

protected:
    void Run() override;

private:
    int BeginSteps();
    void SetProgress(int value);
    void Notice(const QString& text);
    void RecordTimes();
    // A pair (current service and Outlook to-do) that neither side changed since the last
    // recorded sync; false without recorded sync times.
    bool IsUnchangedPair() const;

    // The journal of the run (SyncRunJournal.cpp).
    void OpenJournal();
    void JournalSaw(bool todo);
    void EndJournal(int status);
    void ApplyDeletions(bool todo);
    // The undo (SyncRunUndo.cpp).
    int DoUndo();
    void UndoWrite(const SJournalWrite& write, double until, QSet<QString> (&keptDeleted)[2]);

    CSyncLock m_lock;
    std::unique_ptr<CMAPISync> m_pSync;
    bool m_bDryRun = false;
    CSyncPlan m_plan;
    std::unique_ptr<CSyncJournal> m_pJournal;
    QString m_strJournalPath = CSyncJournal::DefaultPath();
    qint64 m_nJournalRun = 0;
    std::optional<bool> m_keepDeletions;
    bool m_bAllowMassDelete = false;
    bool m_bMassHeld = false;
    std::vector<SSyncDeletion> m_deletions;
    bool m_bUndo = false;
    qint64 m_nUndoTarget = 0;
    QStringList m_undoReport;
    double m_dProgress = 0;
    int m_nProgress = 0;
    std::atomic<int> m_nBar{0};
    std::atomic<int> m_nStatus{0};
    bool m_bStarted = false;
    double m_dLastSync = 0;        // "SyncDate" at the start, 0 when none
    double m_dLastServerSync = 0;  // "SyncServerDate" at the start, 0 when none
    std::function<void(int)> m_onProgress;
    std::function<void(const QString&)> m_onNotice;
    Chooser m_chooser;
};
