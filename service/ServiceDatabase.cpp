#include "service/ServiceDatabase.h"

#include <sqlite3.h>

namespace tamo::service {

namespace {

// Numbered schema steps; PRAGMA user_version records how many have run.
const char* const kMigrations[] = {
    R"sql(
    CREATE TABLE accounts(
        id INTEGER PRIMARY KEY,
        login TEXT NOT NULL UNIQUE,
        password TEXT NOT NULL,
        pc_key TEXT NOT NULL DEFAULT '',
        default_calendar INTEGER NOT NULL DEFAULT 0);
    CREATE TABLE calendars(
        id INTEGER PRIMARY KEY,
        account_id INTEGER NOT NULL REFERENCES accounts(id),
        name TEXT NOT NULL,
        color TEXT NOT NULL,
        service_type INTEGER NOT NULL DEFAULT 0);
    CREATE TABLE preferences(
        account_id INTEGER PRIMARY KEY REFERENCES accounts(id),
        sync_range INTEGER NOT NULL,
        event_check INTEGER NOT NULL,
        todo_check INTEGER NOT NULL,
        todo_complete INTEGER NOT NULL,
        todo_sub INTEGER NOT NULL,
        conflict INTEGER NOT NULL,
        category_id INTEGER NOT NULL,
        event_adv_check INTEGER NOT NULL,
        event2_check INTEGER NOT NULL);
    CREATE TABLE items(
        id INTEGER PRIMARY KEY AUTOINCREMENT,
        account_id INTEGER NOT NULL REFERENCES accounts(id),
        kind INTEGER NOT NULL,
        uid TEXT NOT NULL,
        title TEXT NOT NULL,
        description TEXT NOT NULL,
        calendar_id INTEGER NOT NULL,
        all_day INTEGER NOT NULL,
        start_at TEXT NOT NULL,
        end_at TEXT NOT NULL,
        repeat_type TEXT NOT NULL,
        repeat_until TEXT NOT NULL,
        due TEXT NOT NULL,
        priority INTEGER NOT NULL,
        completed_at TEXT NOT NULL,
        parent_id INTEGER NOT NULL,
        alarm_seconds INTEGER,
        alarm_program INTEGER NOT NULL,
        created TEXT NOT NULL,
        last_modified TEXT NOT NULL,
        sequence INTEGER NOT NULL);
    CREATE INDEX items_by_account ON items(account_id, kind, calendar_id, id);
    CREATE TABLE sessions(
        token TEXT PRIMARY KEY,
        account_id INTEGER NOT NULL,
        ts TEXT NOT NULL,
        hts TEXT NOT NULL,
        last_seen INTEGER NOT NULL);
    CREATE TABLE statistics(
        id INTEGER PRIMARY KEY,
        path TEXT NOT NULL,
        query TEXT NOT NULL,
        body TEXT NOT NULL,
        received_at TEXT NOT NULL);
    )sql",
};

const char* const kItemColumns =
    "id, account_id, kind, uid, title, description, calendar_id, all_day, start_at, end_at, repeat_type, "
    "repeat_until, due, priority, completed_at, parent_id, alarm_seconds, alarm_program, created, last_modified, "
    "sequence";

std::string Text(sqlite3_stmt* s, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, column));
    return text ? std::string(text, size_t(sqlite3_column_bytes(s, column))) : std::string();
}

void BindText(sqlite3_stmt* s, int index, const std::string& value)
{
    sqlite3_bind_text(s, index, value.data(), int(value.size()), SQLITE_TRANSIENT);
}

// Binds every item column after the id, starting at index 1.
void BindItem(sqlite3_stmt* s, const SItem& item)
{
    sqlite3_bind_int64(s, 1, item.accountId);
    sqlite3_bind_int(s, 2, int(item.kind));
    BindText(s, 3, item.uid);
    BindText(s, 4, item.title);
    BindText(s, 5, item.description);
    sqlite3_bind_int64(s, 6, item.calendarId);
    sqlite3_bind_int(s, 7, item.allDay ? 1 : 0);
    BindText(s, 8, item.startAt);
    BindText(s, 9, item.endAt);
    BindText(s, 10, item.repeatType);
    BindText(s, 11, item.repeatUntil);
    BindText(s, 12, item.due);
    sqlite3_bind_int(s, 13, item.priority);
    BindText(s, 14, item.completedAt);
    sqlite3_bind_int64(s, 15, item.parentId);
    if (item.alarmSeconds)
        sqlite3_bind_int(s, 16, *item.alarmSeconds);
    else
        sqlite3_bind_null(s, 16);
    sqlite3_bind_int(s, 17, item.alarmProgram);
    BindText(s, 18, item.created);
    BindText(s, 19, item.lastModified);
    sqlite3_bind_int(s, 20, item.sequence);
}

}  // namespace

// Resets a cached statement when the call that used it ends.
class CServiceDatabase::CStatement {
public:
    explicit CStatement(sqlite3_stmt* s) : m_s(s) {}
    ~CStatement()
    {
        if (m_s) {
            sqlite3_reset(m_s);
            sqlite3_clear_bindings(m_s);
        }
    }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;
    sqlite3_stmt* get() const { return m_s; }
    explicit operator bool() const { return m_s != nullptr; }

private:
    sqlite3_stmt* m_s;
};

CServiceDatabase::CServiceDatabase() = default;

CServiceDatabase::~CServiceDatabase()
{
    for (auto& [sql, statement] : m_statements)
        sqlite3_finalize(statement);
    if (m_db)
        sqlite3_close(m_db);
}

bool CServiceDatabase::Open(const std::string& path)
{
    std::lock_guard lock(m_mutex);
    if (sqlite3_open_v2(path.c_str(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX,
                        nullptr) != SQLITE_OK) {
        m_lastError = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        return false;
    }
    sqlite3_busy_timeout(m_db, 5000);
    // Some file systems can't map the WAL index; the default journal works everywhere.
    if (path != ":memory:" && !Exec("PRAGMA journal_mode=WAL"))
        m_lastError.clear();
    Exec("PRAGMA foreign_keys=ON");
    return Migrate();
}

bool CServiceDatabase::Exec(const char* sql)
{
    char* message = nullptr;
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        m_lastError = message ? message : "sqlite error";
        sqlite3_free(message);
        return false;
    }
    return true;
}

bool CServiceDatabase::Migrate()
{
    sqlite3_stmt* s = nullptr;
    int version = 0;
    if (sqlite3_prepare_v2(m_db, "PRAGMA user_version", -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
        version = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    const int known = int(std::size(kMigrations));
    if (version > known) {
        m_lastError = "database written by a newer tamo-service (schema " + std::to_string(version) + ")";
        return false;
    }
    for (int step = version; step < known; ++step) {
        const std::string sql = std::string("BEGIN;") + kMigrations[step] +
                                "PRAGMA user_version=" + std::to_string(step + 1) + ";COMMIT;";
        if (!Exec(sql.c_str())) {
            Exec("ROLLBACK");
            return false;
        }
    }
    return true;
}

sqlite3_stmt* CServiceDatabase::Prepare(const char* sql)
{
    auto found = m_statements.find(sql);
    if (found != m_statements.end())
        return found->second;
    sqlite3_stmt* s = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &s, nullptr) != SQLITE_OK) {
        m_lastError = sqlite3_errmsg(m_db);
        return nullptr;
    }
    m_statements.emplace(sql, s);
    return s;
}

std::optional<std::int64_t> CServiceDatabase::CreateAccount(const std::string& login, const std::string& password)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("INSERT INTO accounts(login, password) VALUES(?1, ?2)"));
    if (!s)
        return std::nullopt;
    BindText(s.get(), 1, login);
    BindText(s.get(), 2, password);
    if (sqlite3_step(s.get()) != SQLITE_DONE) {
        m_lastError = sqlite3_errmsg(m_db);
        return std::nullopt;
    }
    const std::int64_t id = sqlite3_last_insert_rowid(m_db);
    const SPreferences defaults;
    CStatement p(Prepare("INSERT INTO preferences VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"));
    if (!p)
        return std::nullopt;
    sqlite3_bind_int64(p.get(), 1, id);
    sqlite3_bind_int(p.get(), 2, defaults.syncRange);
    sqlite3_bind_int(p.get(), 3, defaults.eventCheck);
    sqlite3_bind_int(p.get(), 4, defaults.todoCheck);
    sqlite3_bind_int(p.get(), 5, defaults.todoComplete);
    sqlite3_bind_int(p.get(), 6, defaults.todoSub);
    sqlite3_bind_int(p.get(), 7, defaults.conflict);
    sqlite3_bind_int64(p.get(), 8, defaults.categoryId);
    sqlite3_bind_int(p.get(), 9, defaults.eventAdvCheck);
    sqlite3_bind_int(p.get(), 10, defaults.event2Check);
    if (sqlite3_step(p.get()) != SQLITE_DONE)
        return std::nullopt;
    return id;
}

std::optional<SAccount> CServiceDatabase::ReadAccount(sqlite3_stmt* s)
{
    if (sqlite3_step(s) != SQLITE_ROW)
        return std::nullopt;
    SAccount a;
    a.id = sqlite3_column_int64(s, 0);
    a.login = Text(s, 1);
    a.password = Text(s, 2);
    a.pcKey = Text(s, 3);
    a.defaultCalendar = sqlite3_column_int64(s, 4);
    return a;
}

std::optional<SAccount> CServiceDatabase::FindAccount(const std::string& login)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("SELECT id, login, password, pc_key, default_calendar FROM accounts WHERE login=?1"));
    if (!s)
        return std::nullopt;
    BindText(s.get(), 1, login);
    return ReadAccount(s.get());
}

std::optional<SAccount> CServiceDatabase::GetAccount(std::int64_t id)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("SELECT id, login, password, pc_key, default_calendar FROM accounts WHERE id=?1"));
    if (!s)
        return std::nullopt;
    sqlite3_bind_int64(s.get(), 1, id);
    return ReadAccount(s.get());
}

bool CServiceDatabase::SetPcKey(std::int64_t accountId, const std::string& pcKey)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("UPDATE accounts SET pc_key=?2 WHERE id=?1"));
    if (!s)
        return false;
    sqlite3_bind_int64(s.get(), 1, accountId);
    BindText(s.get(), 2, pcKey);
    return sqlite3_step(s.get()) == SQLITE_DONE && sqlite3_changes(m_db) == 1;
}

bool CServiceDatabase::SetDefaultCalendar(std::int64_t accountId, std::int64_t calendarId)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("UPDATE accounts SET default_calendar=?2 WHERE id=?1"));
    if (!s)
        return false;
    sqlite3_bind_int64(s.get(), 1, accountId);
    sqlite3_bind_int64(s.get(), 2, calendarId);
    return sqlite3_step(s.get()) == SQLITE_DONE && sqlite3_changes(m_db) == 1;
}

std::optional<std::int64_t> CServiceDatabase::CreateCalendar(const SCalendar& calendar)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("INSERT INTO calendars(account_id, name, color, service_type) VALUES(?1, ?2, ?3, ?4)"));
    if (!s)
        return std::nullopt;
    sqlite3_bind_int64(s.get(), 1, calendar.accountId);
    BindText(s.get(), 2, calendar.name);
    BindText(s.get(), 3, calendar.color);
    sqlite3_bind_int(s.get(), 4, calendar.serviceType);
    if (sqlite3_step(s.get()) != SQLITE_DONE) {
        m_lastError = sqlite3_errmsg(m_db);
        return std::nullopt;
    }
    return sqlite3_last_insert_rowid(m_db);
}

std::vector<SCalendar> CServiceDatabase::ListCalendars(std::int64_t accountId)
{
    std::lock_guard lock(m_mutex);
    std::vector<SCalendar> out;
    CStatement s(Prepare("SELECT id, account_id, name, color, service_type FROM calendars WHERE account_id=?1 "
                         "ORDER BY id"));
    if (!s)
        return out;
    sqlite3_bind_int64(s.get(), 1, accountId);
    while (sqlite3_step(s.get()) == SQLITE_ROW)
        out.push_back({sqlite3_column_int64(s.get(), 0), sqlite3_column_int64(s.get(), 1), Text(s.get(), 2),
                       Text(s.get(), 3), sqlite3_column_int(s.get(), 4)});
    return out;
}

std::optional<SCalendar> CServiceDatabase::GetCalendar(std::int64_t accountId, std::int64_t calendarId)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("SELECT id, account_id, name, color, service_type FROM calendars WHERE account_id=?1 "
                         "AND id=?2"));
    if (!s)
        return std::nullopt;
    sqlite3_bind_int64(s.get(), 1, accountId);
    sqlite3_bind_int64(s.get(), 2, calendarId);
    if (sqlite3_step(s.get()) != SQLITE_ROW)
        return std::nullopt;
    return SCalendar{sqlite3_column_int64(s.get(), 0), sqlite3_column_int64(s.get(), 1), Text(s.get(), 2),
                     Text(s.get(), 3), sqlite3_column_int(s.get(), 4)};
}

SPreferences CServiceDatabase::GetPreferences(std::int64_t accountId)
{
    std::lock_guard lock(m_mutex);
    SPreferences p;
    CStatement s(Prepare("SELECT sync_range, event_check, todo_check, todo_complete, todo_sub, conflict, "
                         "category_id, event_adv_check, event2_check FROM preferences WHERE account_id=?1"));
    if (!s)
        return p;
    sqlite3_bind_int64(s.get(), 1, accountId);
    if (sqlite3_step(s.get()) == SQLITE_ROW) {
        p.syncRange = sqlite3_column_int(s.get(), 0);
        p.eventCheck = sqlite3_column_int(s.get(), 1) != 0;
        p.todoCheck = sqlite3_column_int(s.get(), 2) != 0;
        p.todoComplete = sqlite3_column_int(s.get(), 3) != 0;
        p.todoSub = sqlite3_column_int(s.get(), 4) != 0;
        p.conflict = sqlite3_column_int(s.get(), 5) != 0;
        p.categoryId = sqlite3_column_int64(s.get(), 6);
        p.eventAdvCheck = sqlite3_column_int(s.get(), 7) != 0;
        p.event2Check = sqlite3_column_int(s.get(), 8) != 0;
    }
    return p;
}

bool CServiceDatabase::SavePreferences(std::int64_t accountId, const SPreferences& p)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("INSERT OR REPLACE INTO preferences VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)"));
    if (!s)
        return false;
    sqlite3_bind_int64(s.get(), 1, accountId);
    sqlite3_bind_int(s.get(), 2, p.syncRange);
    sqlite3_bind_int(s.get(), 3, p.eventCheck);
    sqlite3_bind_int(s.get(), 4, p.todoCheck);
    sqlite3_bind_int(s.get(), 5, p.todoComplete);
    sqlite3_bind_int(s.get(), 6, p.todoSub);
    sqlite3_bind_int(s.get(), 7, p.conflict);
    sqlite3_bind_int64(s.get(), 8, p.categoryId);
    sqlite3_bind_int(s.get(), 9, p.eventAdvCheck);
    sqlite3_bind_int(s.get(), 10, p.event2Check);
    return sqlite3_step(s.get()) == SQLITE_DONE;
}

bool CServiceDatabase::InsertItemLocked(SItem& item)
{
    CStatement s(Prepare("INSERT INTO items(account_id, kind, uid, title, description, calendar_id, all_day, "
                         "start_at, end_at, repeat_type, repeat_until, due, priority, completed_at, parent_id, "
                         "alarm_seconds, alarm_program, created, last_modified, sequence) VALUES(?1, ?2, ?3, ?4, "
                         "?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18, ?19, ?20)"));
    if (!s)
        return false;
    BindItem(s.get(), item);
    if (sqlite3_step(s.get()) != SQLITE_DONE) {
        m_lastError = sqlite3_errmsg(m_db);
        return false;
    }
    item.id = sqlite3_last_insert_rowid(m_db);
    return true;
}

bool CServiceDatabase::InsertItem(SItem& item)
{
    std::lock_guard lock(m_mutex);
    return InsertItemLocked(item);
}

bool CServiceDatabase::InsertItems(std::vector<SItem>& items)
{
    std::lock_guard lock(m_mutex);
    if (!Exec("BEGIN"))
        return false;
    for (SItem& item : items) {
        if (!InsertItemLocked(item)) {
            Exec("ROLLBACK");
            return false;
        }
    }
    return Exec("COMMIT");
}

bool CServiceDatabase::UpdateItem(const SItem& item)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("UPDATE items SET account_id=?1, kind=?2, uid=?3, title=?4, description=?5, "
                         "calendar_id=?6, all_day=?7, start_at=?8, end_at=?9, repeat_type=?10, repeat_until=?11, "
                         "due=?12, priority=?13, completed_at=?14, parent_id=?15, alarm_seconds=?16, "
                         "alarm_program=?17, created=?18, last_modified=?19, sequence=?20 WHERE id=?21"));
    if (!s)
        return false;
    BindItem(s.get(), item);
    sqlite3_bind_int64(s.get(), 21, item.id);
    return sqlite3_step(s.get()) == SQLITE_DONE && sqlite3_changes(m_db) == 1;
}

bool CServiceDatabase::DeleteItem(std::int64_t id)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("DELETE FROM items WHERE id=?1"));
    if (!s)
        return false;
    sqlite3_bind_int64(s.get(), 1, id);
    return sqlite3_step(s.get()) == SQLITE_DONE && sqlite3_changes(m_db) == 1;
}

std::vector<SItem> CServiceDatabase::ReadItems(sqlite3_stmt* s)
{
    std::vector<SItem> out;
    while (sqlite3_step(s) == SQLITE_ROW) {
        SItem item;
        item.id = sqlite3_column_int64(s, 0);
        item.accountId = sqlite3_column_int64(s, 1);
        item.kind = sqlite3_column_int(s, 2) == 1 ? EItemKind::Todo : EItemKind::Event;
        item.uid = Text(s, 3);
        item.title = Text(s, 4);
        item.description = Text(s, 5);
        item.calendarId = sqlite3_column_int64(s, 6);
        item.allDay = sqlite3_column_int(s, 7) != 0;
        item.startAt = Text(s, 8);
        item.endAt = Text(s, 9);
        item.repeatType = Text(s, 10);
        item.repeatUntil = Text(s, 11);
        item.due = Text(s, 12);
        item.priority = sqlite3_column_int(s, 13);
        item.completedAt = Text(s, 14);
        item.parentId = sqlite3_column_int64(s, 15);
        if (sqlite3_column_type(s, 16) != SQLITE_NULL)
            item.alarmSeconds = sqlite3_column_int(s, 16);
        item.alarmProgram = sqlite3_column_int(s, 17);
        item.created = Text(s, 18);
        item.lastModified = Text(s, 19);
        item.sequence = sqlite3_column_int(s, 20);
        out.push_back(std::move(item));
    }
    return out;
}

std::optional<SItem> CServiceDatabase::GetItem(std::int64_t id)
{
    std::lock_guard lock(m_mutex);
    static const std::string sql = std::string("SELECT ") + kItemColumns + " FROM items WHERE id=?1";
    CStatement s(Prepare(sql.c_str()));
    if (!s)
        return std::nullopt;
    sqlite3_bind_int64(s.get(), 1, id);
    auto items = ReadItems(s.get());
    if (items.empty())
        return std::nullopt;
    return std::move(items.front());
}

std::vector<SItem> CServiceDatabase::ReadEvents(const SEventQuery& query, std::int64_t afterId, int limit)
{
    std::lock_guard lock(m_mutex);
    // A single event counts when it ends on or after the first day; a series when it has no end
    // or ends on or after that day.
    static const std::string sql = std::string("SELECT ") + kItemColumns +
                                   " FROM items WHERE account_id=?1 AND kind=0 AND calendar_id=?2 AND id>?3 AND "
                                   "(?4='' OR (repeat_type='' AND end_at>=?5) OR (repeat_type<>'' AND "
                                   "(repeat_until='' OR repeat_until>=?4))) ORDER BY id LIMIT ?6";
    CStatement s(Prepare(sql.c_str()));
    if (!s)
        return {};
    sqlite3_bind_int64(s.get(), 1, query.accountId);
    sqlite3_bind_int64(s.get(), 2, query.calendarId);
    sqlite3_bind_int64(s.get(), 3, afterId);
    BindText(s.get(), 4, query.fromDate);
    BindText(s.get(), 5, query.fromDate.empty() ? std::string() : query.fromDate + "T000000");
    sqlite3_bind_int(s.get(), 6, limit);
    return ReadItems(s.get());
}

std::vector<SItem> CServiceDatabase::ReadTodos(const STodoQuery& query, std::int64_t afterId, int limit)
{
    std::lock_guard lock(m_mutex);
    static const std::string sql = std::string("SELECT ") + kItemColumns +
                                   " FROM items WHERE account_id=?1 AND kind=1 AND id>?2 AND (?3 OR "
                                   "completed_at='') AND (?4 OR parent_id=0) ORDER BY id LIMIT ?5";
    CStatement s(Prepare(sql.c_str()));
    if (!s)
        return {};
    sqlite3_bind_int64(s.get(), 1, query.accountId);
    sqlite3_bind_int64(s.get(), 2, afterId);
    sqlite3_bind_int(s.get(), 3, query.withCompleted ? 1 : 0);
    sqlite3_bind_int(s.get(), 4, query.withSub ? 1 : 0);
    sqlite3_bind_int(s.get(), 5, limit);
    return ReadItems(s.get());
}

std::vector<SItem> CServiceDatabase::ReadAlarmItems(std::int64_t accountId)
{
    std::lock_guard lock(m_mutex);
    static const std::string sql = std::string("SELECT ") + kItemColumns +
                                   " FROM items WHERE account_id=?1 AND alarm_seconds IS NOT NULL AND "
                                   "(kind=0 OR completed_at='') ORDER BY id";
    CStatement s(Prepare(sql.c_str()));
    if (!s)
        return {};
    sqlite3_bind_int64(s.get(), 1, accountId);
    return ReadItems(s.get());
}

std::vector<SItem> CServiceDatabase::ReadAllItems(std::int64_t accountId)
{
    std::lock_guard lock(m_mutex);
    static const std::string sql =
        std::string("SELECT ") + kItemColumns + " FROM items WHERE ?1=0 OR account_id=?1 ORDER BY id";
    CStatement s(Prepare(sql.c_str()));
    if (!s)
        return {};
    sqlite3_bind_int64(s.get(), 1, accountId);
    return ReadItems(s.get());
}

std::int64_t CServiceDatabase::CountItems()
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("SELECT COUNT(*) FROM items"));
    if (!s || sqlite3_step(s.get()) != SQLITE_ROW)
        return 0;
    return sqlite3_column_int64(s.get(), 0);
}

bool CServiceDatabase::SaveSession(const SSession& session)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("INSERT OR REPLACE INTO sessions VALUES(?1, ?2, ?3, ?4, ?5)"));
    if (!s)
        return false;
    BindText(s.get(), 1, session.token);
    sqlite3_bind_int64(s.get(), 2, session.accountId);
    BindText(s.get(), 3, session.ts);
    BindText(s.get(), 4, session.hts);
    sqlite3_bind_int64(s.get(), 5, session.lastSeen);
    return sqlite3_step(s.get()) == SQLITE_DONE;
}

std::optional<SSession> CServiceDatabase::FindSession(const std::string& token)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("SELECT token, account_id, ts, hts, last_seen FROM sessions WHERE token=?1"));
    if (!s)
        return std::nullopt;
    BindText(s.get(), 1, token);
    if (sqlite3_step(s.get()) != SQLITE_ROW)
        return std::nullopt;
    return SSession{Text(s.get(), 0), sqlite3_column_int64(s.get(), 1), Text(s.get(), 2), Text(s.get(), 3),
                    sqlite3_column_int64(s.get(), 4)};
}

bool CServiceDatabase::DeleteSession(const std::string& token)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("DELETE FROM sessions WHERE token=?1"));
    if (!s)
        return false;
    BindText(s.get(), 1, token);
    return sqlite3_step(s.get()) == SQLITE_DONE;
}

int CServiceDatabase::DeleteSessionsIdleSince(std::int64_t epoch)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("DELETE FROM sessions WHERE last_seen<?1"));
    if (!s)
        return 0;
    sqlite3_bind_int64(s.get(), 1, epoch);
    if (sqlite3_step(s.get()) != SQLITE_DONE)
        return 0;
    return sqlite3_changes(m_db);
}

bool CServiceDatabase::RecordStatistic(const SStatistic& record)
{
    std::lock_guard lock(m_mutex);
    CStatement s(Prepare("INSERT INTO statistics(path, query, body, received_at) VALUES(?1, ?2, ?3, ?4)"));
    if (!s)
        return false;
    BindText(s.get(), 1, record.path);
    BindText(s.get(), 2, record.query);
    BindText(s.get(), 3, record.body);
    BindText(s.get(), 4, record.receivedAt);
    return sqlite3_step(s.get()) == SQLITE_DONE;
}

std::vector<SStatistic> CServiceDatabase::ListStatistics()
{
    std::lock_guard lock(m_mutex);
    std::vector<SStatistic> out;
    CStatement s(Prepare("SELECT id, path, query, body, received_at FROM statistics ORDER BY id"));
    if (!s)
        return out;
    while (sqlite3_step(s.get()) == SQLITE_ROW)
        out.push_back({sqlite3_column_int64(s.get(), 0), Text(s.get(), 1), Text(s.get(), 2), Text(s.get(), 3),
                       Text(s.get(), 4)});
    return out;
}

}  // namespace tamo::service
