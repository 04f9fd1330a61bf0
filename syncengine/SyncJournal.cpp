#include "syncengine/SyncJournal.h"

#include <sqlite3.h>

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include "base/ServiceClock.h"
#include "platform/PrivateFiles.h"
#include "syncengine/MAPISync.h"
#include "syncengine/SyncLog.h"

namespace {

constexpr int kSchemaVersion = 1;

// Step n brings user_version n-1 to n.
const char* const kSchemaSteps[] = {
    "CREATE TABLE runs(id INTEGER PRIMARY KEY, kind INTEGER NOT NULL, started TEXT NOT NULL, ended TEXT,"
    " status INTEGER, account TEXT, calendar INTEGER, undoes INTEGER);"
    "CREATE TABLE pairs(run INTEGER NOT NULL, todo INTEGER NOT NULL, uid TEXT NOT NULL, entry_id TEXT,"
    " record TEXT, outlook_modified TEXT, service_modified TEXT, digest TEXT, in_outlook INTEGER NOT NULL,"
    " in_service INTEGER NOT NULL, kept_deleted INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX pairs_by_run ON pairs(run, todo);"
    "CREATE TABLE writes(id INTEGER PRIMARY KEY, run INTEGER NOT NULL, side INTEGER NOT NULL,"
    " todo INTEGER NOT NULL, action INTEGER NOT NULL, uid TEXT, entry_id TEXT, record TEXT, summary TEXT,"
    " before TEXT, after TEXT, state TEXT NOT NULL, at TEXT NOT NULL);"
    "CREATE INDEX writes_by_run ON writes(run);",
};

QString FromColumn(sqlite3_stmt* s, int i)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(s, i)) : QString();
}

QString Value(const QString& json, const QString& key)
{
    return QJsonDocument::fromJson(json.toUtf8()).object().value(key).toString();
}

}  // namespace

QString JournalNow()
{
    // Every write is stamped: the text is made once per second of the service clock.
    thread_local qint64 second = -1;
    thread_local QString text;
    const QDateTime utc = tamo::clock::NowUtc();
    const qint64 now = utc.toSecsSinceEpoch();
    if (now != second) {
        second = now;
        text = tamo::clock::NowSeoul().toString(QStringLiteral("yyyyMMdd'T'HHmmss"));
    }
    return text;
}

// One prepared statement, finalised with the object.
class CSyncJournal::CStatement {
public:
    CStatement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_s, nullptr) != SQLITE_OK)
            m_s = nullptr;
    }
    // One of the journal's kept statements: reset, not finalised, at the end.
    explicit CStatement(sqlite3_stmt* kept) : m_s(kept), m_kept(true) {}
    ~CStatement()
    {
        if (m_kept) {
            sqlite3_reset(m_s);
            sqlite3_clear_bindings(m_s);
        } else {
            sqlite3_finalize(m_s);
        }
    }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;
    explicit operator bool() const { return m_s != nullptr; }
    sqlite3_stmt* get() const { return m_s; }
    void Bind(int i, const QString& text)
    {
        if (text.isNull()) {
            sqlite3_bind_null(m_s, i);
            return;
        }
        const QByteArray bytes = text.toUtf8();
        sqlite3_bind_text(m_s, i, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
    }
    void Bind(int i, qint64 value) { sqlite3_bind_int64(m_s, i, value); }
    bool Step() { return sqlite3_step(m_s) == SQLITE_ROW; }
    bool Run() { return sqlite3_step(m_s) == SQLITE_DONE; }
    void Reset()
    {
        sqlite3_reset(m_s);
        sqlite3_clear_bindings(m_s);
    }

private:
    sqlite3_stmt* m_s = nullptr;
    bool m_kept = false;
};

namespace {
const char* const kMarkWrite = "UPDATE writes SET state=?, entry_id=COALESCE(NULLIF(?, ''), entry_id),"
                               " uid=COALESCE(NULLIF(?, ''), uid) WHERE id=?;";
const char* const kInsertWrite = "INSERT INTO writes(run, side, todo, action, uid, entry_id, record, summary, before,"
                                 " after, state, at) VALUES(?,?,?,?,?,?,?,?,?,?,?,?);";
}  // namespace

sqlite3_stmt* CSyncJournal::Kept(const char* sql)
{
    sqlite3_stmt*& s = m_kept[sql];
    if (!s && sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK)
        s = nullptr;
    return s;
}

CSyncJournal::CSyncJournal() = default;

CSyncJournal::~CSyncJournal() { Close(); }

QString CSyncJournal::DefaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Tamo/sync-journal.sqlite");
}

void CSyncJournal::Close()
{
    if (!m_db)
        return;
    Flush();
    for (auto& [sql, s] : m_kept)
        sqlite3_finalize(s);
    m_kept.clear();
    sqlite3_close(m_db);
    m_db = nullptr;
}

bool CSyncJournal::Exec(const char* sql)
{
    char* error = nullptr;
    const bool ok = sqlite3_exec(m_db, sql, nullptr, nullptr, &error) == SQLITE_OK;
    if (!ok)
        SYNCLOG(synclog::kError, "SyncJournal %s\n", error ? error : "error");
    sqlite3_free(error);
    return ok;
}

bool CSyncJournal::Open(const QString& path)
{
    Close();
    const QString folder = QFileInfo(path).absolutePath();
    const QString appData = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (!platform::MakePrivateFolder(folder, appData + QStringLiteral("/Tamo")) ||
        !platform::MakePrivateFile(path, platform::IfMissing::Create))
        return false;
    if (sqlite3_open_v2(path.toUtf8().constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    // WAL keeps a commit to one append; some file systems can't map its index, and then the
    // ordinary rollback journal does the same job more slowly.
    // Small pages: each write's commit appends a few pages to the WAL, so their size is its cost.
    // (Only a new file takes it; it must come before WAL mode.) synchronous=NORMAL comes first
    // too, so that making the file costs no more syncs than using it.
    Exec("PRAGMA page_size=1024;");
    Exec("PRAGMA synchronous=NORMAL;");
    if (!Exec("PRAGMA journal_mode=WAL;"))
        Exec("PRAGMA journal_mode=DELETE;");
    // With synchronous=NORMAL the WAL is synced only at checkpoints. A run should not pay for
    // several of them, nor for one at every close: the WAL stays between runs (the next open
    // reads it back) and is folded in once it holds some 20 000 pages.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    if (!Exec("PRAGMA synchronous=NORMAL;") || !Exec("PRAGMA wal_autocheckpoint=20000;") || !Migrate()) {
        sqlite3_close(m_db);
        m_db = nullptr;
        return false;
    }
    return true;
}

bool CSyncJournal::Migrate()
{
    int version = 0;
    {
        CStatement s(m_db, "PRAGMA user_version;");
        if (!s || !s.Step())
            return false;
        version = sqlite3_column_int(s.get(), 0);
    }
    if (version > kSchemaVersion)
        return false;  // written by a newer build: not ours to change
    for (int step = version; step < kSchemaVersion; ++step) {
        if (!Exec("BEGIN IMMEDIATE;"))
            return false;
        const QByteArray bump = QByteArray("PRAGMA user_version=") + QByteArray::number(step + 1) + ';';
        if (!Exec(kSchemaSteps[step]) || !Exec(bump.constData()) || !Exec("COMMIT;")) {
            Exec("ROLLBACK;");
            return false;
        }
    }
    return true;
}

qint64 CSyncJournal::BeginRun(SyncRunKind kind, const QString& account, long calendar, qint64 undoes)
{
    m_run = 0;
    if (!m_db)
        return 0;
    CStatement s(m_db, "INSERT INTO runs(kind, started, account, calendar, undoes) VALUES(?,?,?,?,?);");
    s.Bind(1, qint64(kind));
    s.Bind(2, JournalNow());
    s.Bind(3, account);
    s.Bind(4, qint64(calendar));
    if (undoes)
        s.Bind(5, undoes);
    if (s.Run())
        m_run = sqlite3_last_insert_rowid(m_db);
    return m_run;
}

void CSyncJournal::Prune(int completeStatus)
{
    if (!m_db)
        return;
    Flush();
    Exec("BEGIN;");
    {
        CStatement s(m_db, "DELETE FROM pairs WHERE run < MIN("
                           "(SELECT COALESCE(MAX(id), 0) FROM runs WHERE kind<>1 AND status=?),"
                           "(SELECT COALESCE(MIN(id), 0) FROM (SELECT id FROM runs WHERE kind<>1 ORDER BY id DESC LIMIT 3)));");
        s.Bind(1, qint64(completeStatus));
        s.Run();
    }
    Exec("DELETE FROM writes WHERE run < (SELECT COALESCE(MIN(id), 0) FROM"
         " (SELECT id FROM runs ORDER BY id DESC LIMIT 100));");
    Exec("DELETE FROM runs WHERE id < (SELECT COALESCE(MIN(id), 0) FROM"
         " (SELECT id FROM runs ORDER BY id DESC LIMIT 100));");
    Exec("COMMIT;");
}

void CSyncJournal::EndRun(int status)
{
    if (!m_db || !m_run)
        return;
    Flush();
    CStatement s(m_db, "UPDATE runs SET ended=?, status=? WHERE id=?;");
    s.Bind(1, JournalNow());
    s.Bind(2, qint64(status));
    s.Bind(3, m_run);
    s.Run();
    m_run = 0;
}

void CSyncJournal::RecordPairs(CMAPISync& engine, bool todo, const QSet<QString>& keptDeleted)
{
    CSyncParser* parser = engine.Parser();
    if (!m_db || !m_run || !parser)
        return;
    struct Sides {
        const CSyncItem* service = nullptr;
        const CSyncItem* outlook = nullptr;
    };
    QHash<QString, Sides> byUid;
    std::vector<QString> order;
    const auto collect = [&](CSyncParser::List list, bool outlook) {
        for (std::size_t i = 0; i < parser->Count(list); ++i) {
            const CSyncItem* item = parser->At(list, i);
            const QString uid = item->Value(u"UID");
            auto it = byUid.find(uid);
            if (it == byUid.end()) {
                it = byUid.insert(uid, Sides{});
                order.push_back(uid);
            }
            const CSyncItem*& slot = outlook ? it->outlook : it->service;
            if (!slot)
                slot = item;  // the first of a UID is the one the run pairs
        }
    };
    collect(CSyncParser::ServiceList(todo), false);
    collect(CSyncParser::OutlookList(todo), true);

    Flush();
    Exec("BEGIN;");
    CStatement s(m_db, "INSERT INTO pairs(run, todo, uid, entry_id, record, outlook_modified, service_modified,"
                       " digest, in_outlook, in_service, kept_deleted) VALUES(?,?,?,?,?,?,?,?,?,?,?);");
    const QStringView modified = u"LAST-MODIFIED;TZID=Asia/Seoul";
    for (const QString& uid : order) {
        const Sides sides = byUid.value(uid);
        QString entry;
        if (sides.outlook)
            entry = todo ? QString::fromLatin1(engine.m_todoEntryIDs.value(uid).toHex().toUpper())
                         : sides.outlook->Value(u"ENTRYID");
        const QByteArray values = SyncItemValues(sides.service ? sides.service : sides.outlook).toUtf8();
        s.Bind(1, m_run);
        s.Bind(2, qint64(todo));
        s.Bind(3, uid);
        s.Bind(4, entry);
        s.Bind(5, sides.service ? sides.service->Value(u"X-ID") : QString());
        s.Bind(6, sides.outlook ? sides.outlook->Value(modified) : QString());
        s.Bind(7, sides.service ? sides.service->Value(modified) : QString());
        s.Bind(8, QString::fromLatin1(QCryptographicHash::hash(values, QCryptographicHash::Sha1).toHex()));
        s.Bind(9, qint64(sides.outlook != nullptr));
        s.Bind(10, qint64(sides.service != nullptr));
        s.Bind(11, qint64(keptDeleted.contains(uid)));
        s.Run();
        s.Reset();
    }
    Exec("COMMIT;");
}

int CSyncJournal::Reconcile(CMAPISync& engine, bool todo)
{
    CSyncParser* parser = engine.Parser();
    if (!m_db || !parser)
        return 0;
    std::vector<SJournalWrite> open;
    {
        // Only a run that never ended can have left intents.
        CStatement s(m_db, "SELECT id, side, action, uid, entry_id, before, after FROM writes"
                           " WHERE run IN (SELECT id FROM runs WHERE status IS NULL AND id<>?3)"
                           " AND state=?1 AND todo=?2;");
        s.Bind(1, journalstate::kIntent);
        s.Bind(2, qint64(todo));
        s.Bind(3, m_run);
        while (s.Step()) {
            SJournalWrite w;
            w.id = sqlite3_column_int64(s.get(), 0);
            w.write.side = SyncSide(sqlite3_column_int(s.get(), 1));
            w.write.action = SyncAction(sqlite3_column_int(s.get(), 2));
            w.write.uid = FromColumn(s.get(), 3);
            w.write.entryId = FromColumn(s.get(), 4);
            w.write.before = FromColumn(s.get(), 5);
            w.write.after = FromColumn(s.get(), 6);
            open.push_back(w);
        }
    }
    const CSyncParser::List outlookList = CSyncParser::OutlookList(todo);
    const CSyncParser::List serviceList = CSyncParser::ServiceList(todo);
    int settled = 0;
    for (const SJournalWrite& w : open) {
        const CSyncParser::List list = w.write.side == SyncSide::Outlook ? outlookList : serviceList;
        QString uid = w.write.uid;
        if (uid.isEmpty() && !w.write.entryId.isEmpty()) {
            // An appointment that got its global id in the write: its UID is on the message now.
            for (std::size_t i = 0; i < parser->Count(outlookList); ++i)
                if (parser->At(outlookList, i)->Value(u"ENTRYID") == w.write.entryId)
                    uid = parser->At(outlookList, i)->Value(u"UID");
        }
        bool reached = false;
        QString entry;  // an Outlook creation's new entry id, which only its end would have recorded
        switch (w.write.action) {
        case SyncAction::Create:
        case SyncAction::Rekey:
            reached = !uid.isEmpty() && parser->FindUID(list, uid);
            if (reached && !todo && w.write.side == SyncSide::Outlook)
                entry = parser->Text(list, u"ENTRYID");
            // A task copied from the service keeps the service UID it came from until its re-key.
            if (todo && w.write.side == SyncSide::Outlook && w.write.action == SyncAction::Create) {
                const QString identity = engine.m_todoOrigins.value(uid, reached ? uid : QString());
                reached = reached || !identity.isEmpty();
                entry = QString::fromLatin1(engine.m_todoEntryIDs.value(identity).toHex().toUpper());
            }
            break;
        case SyncAction::Modify: {
            // Where the write changed the summary, the side holds the one written; where it left the
            // summary alone, the side no longer holds exactly the values it had before (those were
            // read from this side, so they compare as they are; the values written came from the
            // other side and may be put differently here).
            if (parser->FindUID(list, uid)) {
                const QString written = Value(w.write.after, QStringLiteral("SUMMARY"));
                if (written != Value(w.write.before, QStringLiteral("SUMMARY")))
                    reached = parser->Text(list, u"SUMMARY") == written;
                else
                    reached = SyncItemValues(parser->Current(list)) != w.write.before;
            }
            break;
        }
        case SyncAction::Delete:
            reached = !parser->FindUID(list, uid);
            break;
        }
        CStatement s(m_db, "UPDATE writes SET state=?, uid=COALESCE(NULLIF(?, ''), uid),"
                           " entry_id=COALESCE(NULLIF(?, ''), entry_id) WHERE id=?;");
        s.Bind(1, reached ? journalstate::kDone : journalstate::kFailed);
        s.Bind(2, uid);
        s.Bind(3, entry);
        s.Bind(4, w.id);
        if (s.Run())
            ++settled;
    }
    return settled;
}

void CSyncJournal::WritePendingMarks()
{
    CStatement mark(Kept(kMarkWrite));
    for (const SPendingMark& p : m_pending) {
        mark.Bind(1, p.state);
        mark.Bind(2, p.entryId);
        mark.Bind(3, p.uid);
        mark.Bind(4, p.id);
        mark.Run();
        mark.Reset();
    }
}

bool CSyncJournal::BeginWrite(const SSyncWrite& write)
{
    m_openWrite = 0;
    if (!m_db || !m_run)
        return true;
    // The done marks held back go with this intent: one commit, and the intent is on record
    // before the side write it describes starts.
    CStatement(Kept("BEGIN;")).Run();
    WritePendingMarks();
    CStatement s(Kept(kInsertWrite));
    s.Bind(1, m_run);
    s.Bind(2, qint64(write.side));
    s.Bind(3, qint64(write.todo));
    s.Bind(4, qint64(write.action));
    s.Bind(5, write.uid);
    s.Bind(6, write.entryId);
    s.Bind(7, write.record);
    s.Bind(8, write.summary);
    s.Bind(9, write.before);
    s.Bind(10, write.after);
    s.Bind(11, journalstate::kIntent);
    s.Bind(12, JournalNow());
    const bool inserted = s.Run();
    if (inserted)
        m_openWrite = sqlite3_last_insert_rowid(m_db);
    if (CStatement(Kept("COMMIT;")).Run())
        m_pending.clear();
    else
        Exec("ROLLBACK;");
    // A journal that can't record the intent doesn't stop the sync: the write goes ahead
    // unrecorded, as it would without a journal.
    return true;
}

void CSyncJournal::EndWrite(bool ok, const QString& entryId, const QString& uid)
{
    if (!m_openWrite)
        return;
    m_pending.push_back({m_openWrite, ok ? journalstate::kDone : journalstate::kFailed, entryId, uid});
    m_openWrite = 0;
}

void CSyncJournal::Flush()
{
    if (!m_db || m_pending.empty())
        return;
    Exec("BEGIN;");
    WritePendingMarks();
    if (Exec("COMMIT;"))
        m_pending.clear();
    else
        Exec("ROLLBACK;");
}

std::vector<SJournalRun> CSyncJournal::Runs()
{
    std::vector<SJournalRun> runs;
    if (!m_db)
        return runs;
    CStatement s(m_db, "SELECT id, kind, started, ended, status, account, calendar, undoes FROM runs ORDER BY id;");
    while (s.Step()) {
        SJournalRun r;
        r.id = sqlite3_column_int64(s.get(), 0);
        r.kind = SyncRunKind(sqlite3_column_int(s.get(), 1));
        r.started = FromColumn(s.get(), 2);
        r.ended = FromColumn(s.get(), 3);
        r.status = sqlite3_column_type(s.get(), 4) == SQLITE_NULL ? -1 : sqlite3_column_int(s.get(), 4);
        r.account = FromColumn(s.get(), 5);
        r.calendar = long(sqlite3_column_int64(s.get(), 6));
        r.undoes = sqlite3_column_int64(s.get(), 7);
        runs.push_back(r);
    }
    return runs;
}

std::optional<SJournalRun> CSyncJournal::LastRun(SyncRunKind kind, bool completedOnly)
{
    const std::vector<SJournalRun> runs = Runs();
    for (auto it = runs.rbegin(); it != runs.rend(); ++it)
        if (it->kind == kind && (!completedOnly || it->status != -1))
            return *it;
    return std::nullopt;
}

std::vector<SJournalWrite> CSyncJournal::Writes(qint64 run)
{
    std::vector<SJournalWrite> writes;
    if (!m_db)
        return writes;
    Flush();
    CStatement s(m_db, "SELECT id, side, todo, action, uid, entry_id, record, summary, before, after, state, at"
                       " FROM writes WHERE run=? ORDER BY id;");
    s.Bind(1, run);
    while (s.Step()) {
        SJournalWrite w;
        w.id = sqlite3_column_int64(s.get(), 0);
        w.run = run;
        w.write.side = SyncSide(sqlite3_column_int(s.get(), 1));
        w.write.todo = sqlite3_column_int(s.get(), 2) != 0;
        w.write.action = SyncAction(sqlite3_column_int(s.get(), 3));
        w.write.uid = FromColumn(s.get(), 4);
        w.write.entryId = FromColumn(s.get(), 5);
        w.write.record = FromColumn(s.get(), 6);
        w.write.summary = FromColumn(s.get(), 7);
        w.write.before = FromColumn(s.get(), 8);
        w.write.after = FromColumn(s.get(), 9);
        w.state = FromColumn(s.get(), 10);
        w.at = FromColumn(s.get(), 11);
        writes.push_back(w);
    }
    return writes;
}

std::vector<SJournalPair> CSyncJournal::Pairs(qint64 run, bool todo, bool keptDeletedOnly)
{
    std::vector<SJournalPair> pairs;
    if (!m_db)
        return pairs;
    CStatement s(m_db, "SELECT uid, entry_id, record, outlook_modified, service_modified, digest, in_outlook,"
                       " in_service, kept_deleted FROM pairs WHERE run=? AND todo=? AND kept_deleted>=?;");
    s.Bind(1, run);
    s.Bind(2, qint64(todo));
    s.Bind(3, qint64(keptDeletedOnly ? 1 : 0));
    while (s.Step()) {
        SJournalPair p;
        p.todo = todo;
        p.uid = FromColumn(s.get(), 0);
        p.entryId = FromColumn(s.get(), 1);
        p.record = FromColumn(s.get(), 2);
        p.outlookModified = FromColumn(s.get(), 3);
        p.serviceModified = FromColumn(s.get(), 4);
        p.digest = FromColumn(s.get(), 5);
        p.inOutlook = sqlite3_column_int(s.get(), 6) != 0;
        p.inService = sqlite3_column_int(s.get(), 7) != 0;
        p.keptDeleted = sqlite3_column_int(s.get(), 8) != 0;
        pairs.push_back(p);
    }
    return pairs;
}

bool CSyncJournal::SetWriteState(qint64 write, const QString& state)
{
    if (!m_db)
        return false;
    CStatement s(m_db, "UPDATE writes SET state=? WHERE id=?;");
    s.Bind(1, state);
    s.Bind(2, write);
    return s.Run();
}
