#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "service/ServiceRecords.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tamo::service {

// Filter of the event export: one calendar, and optionally only what lies on or after a date.
struct SEventQuery {
    std::int64_t accountId = 0;
    std::int64_t calendarId = 0;
    std::string fromDate;  // "YYYYMMDD" or empty
};

struct STodoQuery {
    std::int64_t accountId = 0;
    bool withCompleted = true;
    bool withSub = true;
};

// The service's state in one SQLite file (or ":memory:"). Every call is atomic and the object
// may be used from any thread; calls are serialised by one lock. Bulk reads come in chunks by
// record number so that long exports never hold the lock for long.
class CServiceDatabase {
public:
    CServiceDatabase();
    ~CServiceDatabase();
    CServiceDatabase(const CServiceDatabase&) = delete;
    CServiceDatabase& operator=(const CServiceDatabase&) = delete;

    // Opens (creating when missing) and brings the schema up to date. False with a message in
    // LastError() when the file can't be used.
    [[nodiscard]] bool Open(const std::string& path);
    const std::string& LastError() const { return m_lastError; }

    // Accounts and calendars.
    [[nodiscard]] std::optional<std::int64_t> CreateAccount(const std::string& login, const std::string& password);
    std::optional<SAccount> FindAccount(const std::string& login);
    std::optional<SAccount> GetAccount(std::int64_t id);
    bool SetPcKey(std::int64_t accountId, const std::string& pcKey);
    bool SetDefaultCalendar(std::int64_t accountId, std::int64_t calendarId);
    [[nodiscard]] std::optional<std::int64_t> CreateCalendar(const SCalendar& calendar);
    std::vector<SCalendar> ListCalendars(std::int64_t accountId);
    std::optional<SCalendar> GetCalendar(std::int64_t accountId, std::int64_t calendarId);

    SPreferences GetPreferences(std::int64_t accountId);
    bool SavePreferences(std::int64_t accountId, const SPreferences& preferences);

    // Items. InsertItem fills in the new record number.
    [[nodiscard]] bool InsertItem(SItem& item);
    // Many items in one transaction (seeding, benchmarks).
    [[nodiscard]] bool InsertItems(std::vector<SItem>& items);
    [[nodiscard]] bool UpdateItem(const SItem& item);
    std::optional<SItem> GetItem(std::int64_t id);
    // Removes an item (test hooks: the service's own interface deletes nothing). False when none.
    bool DeleteItem(std::int64_t id);
    // Items after the record number afterId, in record order, at most limit of them.
    std::vector<SItem> ReadEvents(const SEventQuery& query, std::int64_t afterId, int limit);
    std::vector<SItem> ReadTodos(const STodoQuery& query, std::int64_t afterId, int limit);
    // Items with an alarm (completed to-dos excluded), of one account.
    std::vector<SItem> ReadAlarmItems(std::int64_t accountId);
    // Every item, of one account or of all when accountId is 0 (test hooks).
    std::vector<SItem> ReadAllItems(std::int64_t accountId);
    std::int64_t CountItems();

    // Sessions.
    bool SaveSession(const SSession& session);
    std::optional<SSession> FindSession(const std::string& token);
    bool DeleteSession(const std::string& token);
    int DeleteSessionsIdleSince(std::int64_t epoch);

    // Statistics.
    bool RecordStatistic(const SStatistic& record);
    std::vector<SStatistic> ListStatistics();

private:
    class CStatement;
    sqlite3_stmt* Prepare(const char* sql);
    bool Exec(const char* sql);
    bool Migrate();
    bool InsertItemLocked(SItem& item);
    std::vector<SItem> ReadItems(sqlite3_stmt* statement);
    std::optional<SAccount> ReadAccount(sqlite3_stmt* statement);

    std::mutex m_mutex;
    sqlite3* m_db = nullptr;
    std::map<std::string, sqlite3_stmt*> m_statements;
    std::string m_lastError;
};

}  // namespace tamo::service
