#pragma once

// Internal: the one owner of a store file's SQLite connection. Objects of one session share it;
// every call takes its lock, so the session may be used from more than one thread.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/mapi/MapiInterfaces.h"
#include "platform/mapi/PropData.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tamo::mapi {

struct StoreFileOptions;

using ObjectId = std::int64_t;

struct ObjectRow {
    ObjectId id = 0;
    ULONG type = 0;  // MAPI_STORE, MAPI_FOLDER, MAPI_MESSAGE
    ObjectId store = 0;
    ObjectId parent = 0;
};

struct NameKey {
    GUID guid{};
    ULONG kind = MNID_ID;
    LONG lid = 0;
    std::u16string name;
};

class StoreDb {
public:
    ~StoreDb();
    StoreDb(const StoreDb&) = delete;
    StoreDb& operator=(const StoreDb&) = delete;

    // Opens an existing store file; nothing when it is missing or is not a store.
    static std::shared_ptr<StoreDb> Open(const std::string& path);
    // Lays out a new store in a file that is missing or empty (CreateStoreFile makes it empty and
    // private first); false (with a reason) when it cannot be written.
    static bool Create(const std::string& path, const StoreFileOptions& options, std::string* error);

    std::recursive_mutex& Mutex() { return m_mutex; }

    std::optional<ObjectRow> Object(ObjectId id);
    std::string EntryId(ObjectId id) const;
    std::optional<ObjectId> ObjectFromEntryId(const void* entryId, ULONG cb) const;
    std::vector<ObjectId> Children(ObjectId parent, ULONG type);
    std::vector<ObjectId> Stores();
    std::int64_t CountChildren(ObjectId parent, ULONG type);
    // All values of an object, or only those whose property ids are listed.
    bool LoadProps(ObjectId id, PropMap& out, const std::vector<ULONG>* onlyIds = nullptr);

    // Writes one message in one transaction: for a new message (id 0) inserts it and sets id.
    // Either everything is written or nothing.
    HRESULT SaveMessage(ObjectId& id, ObjectId store, ObjectId parent, const PropMap& changed,
                        const std::set<ULONG>& deleted);
    // Moves messages of one folder to another of the same store, all or none; MAPI_E_NOT_FOUND
    // when one of them is not a message of `from`.
    HRESULT MoveMessages(const std::vector<ObjectId>& ids, ObjectId store, ObjectId from, ObjectId to);

    // Named properties of a store: (set, kind, id or name) ↔ property id from 0x8000 up.
    // ids receives 0 for a name that is not mapped (and create is false).
    HRESULT IdsFromNames(ObjectId store, const std::vector<NameKey>& names, bool create, std::vector<ULONG>& ids);
    bool NameFromId(ObjectId store, ULONG propId, NameKey& out);

    // The receive folder for a message class: the longest mapped prefix ("IPM.Note" → "IPM" → "").
    std::optional<ObjectId> ReceiveFolder(ObjectId store, const std::string& messageClass, std::string* explicitClass);

    // Advise sinks of this process, called after each committed save.
    ULONG Advise(ObjectId store, std::optional<ObjectId> object, ULONG mask, IMAPIAdviseSink* sink);
    bool Unadvise(ULONG connection);
    void Notify(ObjectId store, ULONG event, ObjectId object, ObjectId parent);

    // Testing aid: the next save fails after writing this many properties (negative: never).
    static void FailNextSaveAfter(int writes);

private:
    explicit StoreDb(sqlite3* db);
    sqlite3_stmt* Prepare(const char* sql);
    bool Exec(const char* sql);
    bool ReadUid();
    // Files laid out before the store named its Deleted Items folder get the name once.
    void NameDeletedItems();
    HRESULT WriteMessage(ObjectId& id, ObjectId store, ObjectId parent, const PropMap& changed,
                         const std::set<ULONG>& deleted);

    // Mapped names, both ways, as read or written by this connection. A mapping never changes
    // once it is in the file, so only found or committed ones are kept.
    using NameCacheKey = std::tuple<ObjectId, std::string, ULONG, std::int64_t, std::string>;
    std::map<NameCacheKey, ULONG> m_namesById;
    std::map<std::pair<ObjectId, ULONG>, NameKey> m_namesByProp;
    void RememberName(ObjectId store, const NameCacheKey& key, const NameKey& name, ULONG propId);

    sqlite3* m_db = nullptr;
    std::map<const char*, sqlite3_stmt*> m_statements;
    std::recursive_mutex m_mutex;
    std::string m_uid;  // 16 bytes, names this file in its entry ids

    struct Sink {
        ObjectId store;
        std::optional<ObjectId> object;
        ULONG mask;
        IMAPIAdviseSink* sink;
    };
    std::map<ULONG, Sink> m_sinks;
    ULONG m_nextConnection = 1;
};

}  // namespace tamo::mapi
