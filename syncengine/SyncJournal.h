#pragma once

// The sync journal: one SQLite file per user ($XDG_DATA_HOME/Tamo/sync-journal.sqlite, 0600 in a
// 0700 folder) that a run writes as it works: the run itself (start, end, status, account,
// calendar), every pair it saw (kind, UID, Outlook entry id, service record number, both
// modification stamps, a digest of the synchronised values) and every write it made on either
// side (side, kind, action, identity, values before and after).
//
// What a killed run leaves behind. A write's intent is committed before the side write starts
// and marked done after it. The journal runs in WAL mode with synchronous=NORMAL: a commit has
// reached the WAL file through write() before COMMIT returns, so a killed process never loses a
// committed intent (only a power cut can cost the tail of the WAL, and then the side write that
// followed may go unrecorded). Nothing is synced per write; the WAL is synced only when it is
// folded into the file, every 20 000 pages, not at each run's end. The done marks are not
// committed on their own: each rides in the transaction of the next intent, or of the run's end;
// losing one costs nothing, since the intent is still there to settle. A write left as "intent" is
// settled by Reconcile at the next run, which looks at the side as that run read it: a creation
// is done when its UID is there, a modification when the side holds the values written. So after
// any kill, and the next run's reads, every write says exactly whether it reached its side.
//
// Schema steps are numbered by PRAGMA user_version; a file from a newer build is left alone.

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QSet>
#include <QString>

#include "syncengine/SyncWrites.h"

class CMAPISync;
struct sqlite3;
struct sqlite3_stmt;

enum class SyncRunKind { Sync = 0, DryRun = 1, Undo = 2 };

// States of a recorded write.
namespace journalstate {
inline const QString kIntent = QStringLiteral("intent");  // announced; whether it reached the side is not known yet
inline const QString kDone = QStringLiteral("done");      // reached its side
inline const QString kFailed = QStringLiteral("failed");  // the side refused it, or it never reached the side
}  // namespace journalstate

struct SJournalRun {
    qint64 id = 0;
    SyncRunKind kind = SyncRunKind::Sync;
    QString started, ended;  // Asia/Seoul, "YYYYMMDDTHHMMSS"
    int status = -1;         // -1 while running (or killed)
    QString account;
    long calendar = -1;
    qint64 undoes = 0;       // the run an undo took back
};

struct SJournalWrite {
    qint64 id = 0;
    qint64 run = 0;
    SSyncWrite write;
    QString state;
    QString at;  // when the intent was recorded (Asia/Seoul, "YYYYMMDDTHHMMSS")
};

struct SJournalPair {
    bool todo = true;
    QString uid, entryId, record, outlookModified, serviceModified, digest;
    bool inOutlook = false, inService = false;
    bool keptDeleted = false;  // deleted in Outlook and left deleted: still a pair for the next run
};

class CSyncJournal final : public CSyncWriteSink {
public:
    CSyncJournal();
    ~CSyncJournal() override;
    CSyncJournal(const CSyncJournal&) = delete;
    CSyncJournal& operator=(const CSyncJournal&) = delete;

    // $XDG_DATA_HOME/Tamo/sync-journal.sqlite
    static QString DefaultPath();
    // Opens (creating when missing) and brings the schema up to date; false when the file can't be used.
    [[nodiscard]] bool Open(const QString& path = DefaultPath());
    bool IsOpen() const { return m_db != nullptr; }

    // A run from its start to its end; the writes and pairs recorded go to it.
    qint64 BeginRun(SyncRunKind kind, const QString& account, long calendar, qint64 undoes = 0);
    // Keeps the file from growing without end: the pairs only of the last few runs and of the last
    // run that ended with completeStatus (what deletions are found against), the writes of the
    // last 100 runs (what undo takes back is the last one).
    void Prune(int completeStatus);
    void EndRun(int status);
    qint64 CurrentRun() const { return m_run; }

    // The pairs of one kind as the engine read both sides (before this run's writes).
    // keptDeleted: UIDs of pairs deleted in Outlook that the run did not copy back.
    void RecordPairs(CMAPISync& engine, bool todo, const QSet<QString>& keptDeleted = {});
    // Settles the writes of one kind that earlier runs left as intents, by what the engine read of
    // both sides in this run. The number of writes settled.
    int Reconcile(CMAPISync& engine, bool todo);

    bool BeginWrite(const SSyncWrite& write) override;
    void EndWrite(bool ok, const QString& entryId, const QString& uid) override;
    // Commits the done marks still held back.
    void Flush();

    std::vector<SJournalRun> Runs();
    std::optional<SJournalRun> LastRun(SyncRunKind kind, bool completedOnly);
    std::vector<SJournalWrite> Writes(qint64 run);
    // keptDeletedOnly: only the pairs left deleted in Outlook.
    std::vector<SJournalPair> Pairs(qint64 run, bool todo, bool keptDeletedOnly = false);
    // Marks a write's state (undo settles what it took back through it).
    bool SetWriteState(qint64 write, const QString& state);

private:
    class CStatement;
    bool Exec(const char* sql);
    // A statement prepared once and kept while the file is open (those of every write).
    sqlite3_stmt* Kept(const char* sql);
    std::map<const char*, sqlite3_stmt*> m_kept;
    bool Migrate();
    void Close();

    sqlite3* m_db = nullptr;
    qint64 m_run = 0;
    qint64 m_openWrite = 0;  // the write between BeginWrite and EndWrite
    struct SPendingMark {
        qint64 id;
        QString state, entryId, uid;
    };
    std::vector<SPendingMark> m_pending;
    // The held-back done marks, inside the caller's transaction.
    void WritePendingMarks();
};

// Seoul time now as the journal writes it.
QString JournalNow();
