#include "platform/mapi/StoreDb.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>

#include <sqlite3.h>

#include "platform/mapi/MapiStoreFile.h"

namespace tamo::mapi {

namespace {

constexpr int kSchemaVersion = 1;
constexpr std::size_t kEntryIdSize = 4 + 16 + 8;
std::atomic<int> g_failAfter{-1};

const char* const kSchema[] = {
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value BLOB)",
    "CREATE TABLE objects(id INTEGER PRIMARY KEY AUTOINCREMENT, type INTEGER NOT NULL,"
    " store INTEGER NOT NULL, parent INTEGER)",
    "CREATE INDEX objects_parent ON objects(parent, type, id)",
    "CREATE TABLE props(object INTEGER NOT NULL, id INTEGER NOT NULL, type INTEGER NOT NULL,"
    " value BLOB NOT NULL, PRIMARY KEY(object, id)) WITHOUT ROWID",
    "CREATE TABLE names(store INTEGER NOT NULL, id INTEGER NOT NULL, guid BLOB NOT NULL,"
    " kind INTEGER NOT NULL, lid INTEGER NOT NULL, name TEXT NOT NULL, PRIMARY KEY(store, id))",
    "CREATE UNIQUE INDEX names_key ON names(store, guid, kind, lid, name)",
    "CREATE TABLE receive(store INTEGER NOT NULL, class TEXT NOT NULL, folder INTEGER NOT NULL,"
    " PRIMARY KEY(store, class))",
};

// A statement reset on scope exit, so cached statements never stay busy.
class Step {
public:
    explicit Step(sqlite3_stmt* s) : m_s(s) {}
    ~Step()
    {
        if (m_s) {
            sqlite3_reset(m_s);
            sqlite3_clear_bindings(m_s);
        }
    }
    Step(const Step&) = delete;
    Step& operator=(const Step&) = delete;
    explicit operator bool() const { return m_s != nullptr; }
    Step& Int(int i, std::int64_t v) { sqlite3_bind_int64(m_s, i, v); return *this; }
    Step& Blob(int i, const std::string& v)
    {
        sqlite3_bind_blob(m_s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Step& Text(int i, const std::string& v)
    {
        sqlite3_bind_text(m_s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        return *this;
    }
    int Run() { return sqlite3_step(m_s); }
    bool Row() { return Run() == SQLITE_ROW; }
    bool Done() { return Run() == SQLITE_DONE; }
    std::int64_t ColInt(int c) { return sqlite3_column_int64(m_s, c); }
    std::string ColBlob(int c)
    {
        const void* p = sqlite3_column_blob(m_s, c);
        const int n = sqlite3_column_bytes(m_s, c);
        return p ? std::string(static_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
    }
    std::string ColText(int c)
    {
        const unsigned char* p = sqlite3_column_text(m_s, c);
        const int n = sqlite3_column_bytes(m_s, c);
        return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
    }

private:
    sqlite3_stmt* m_s;
};

std::string GuidBytes(const GUID& g) { return std::string(reinterpret_cast<const char*>(&g), sizeof(GUID)); }

std::string Utf8(const std::u16string& s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())).toUtf8().toStdString();
}

std::u16string Utf16(const std::string& s)
{
    const QString q = QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
    return std::u16string(reinterpret_cast<const char16_t*>(q.utf16()), static_cast<std::size_t>(q.size()));
}

}  // namespace

StoreDb::StoreDb(sqlite3* db) : m_db(db) {}

StoreDb::~StoreDb()
{
    for (auto& [sql, stmt] : m_statements)
        sqlite3_finalize(stmt);
    sqlite3_close(m_db);
}

void StoreDb::FailNextSaveAfter(int writes) { g_failAfter = writes; }

sqlite3_stmt* StoreDb::Prepare(const char* sql)
{
    auto it = m_statements.find(sql);
    if (it != m_statements.end())
        return it->second;
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr) != SQLITE_OK)
        return nullptr;
    m_statements.emplace(sql, stmt);
    return stmt;
}

bool StoreDb::Exec(const char* sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

bool StoreDb::ReadUid()
{
    Step s(Prepare("SELECT value FROM meta WHERE key='uid'"));
    if (!s || !s.Row())
        return false;
    m_uid = s.ColBlob(0);
    return m_uid.size() == 16;
}

std::shared_ptr<StoreDb> StoreDb::Open(const std::string& path)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 5000);
    std::shared_ptr<StoreDb> store(new StoreDb(db));
    {
        Step s(store->Prepare("PRAGMA user_version"));
        if (!s || !s.Row() || s.ColInt(0) != kSchemaVersion)
            return nullptr;
    }
    if (!store->ReadUid())
        return nullptr;
    store->Exec("PRAGMA foreign_keys=ON");
    store->NameDeletedItems();
    return store;
}

void StoreDb::NameDeletedItems()
{
    const std::vector<ObjectId> stores = Stores();
    for (ObjectId st : stores) {
        PropMap props;
        if (!LoadProps(st, props) || props.count(PROP_ID(PR_IPM_WASTEBASKET_ENTRYID)))
            continue;
        std::string subtreeEid;
        if (!ReadBinary(props[PROP_ID(PR_IPM_SUBTREE_ENTRYID)], subtreeEid))
            continue;
        const auto subtree = ObjectFromEntryId(subtreeEid.data(), static_cast<ULONG>(subtreeEid.size()));
        if (!subtree)
            continue;
        // The folder every store was laid out with, by its name under the top of the store.
        const std::string name = MakeUnicode(u"Deleted Items").bytes;
        Step s(Prepare("SELECT o.id FROM objects o JOIN props p ON p.object=o.id"
                       " WHERE o.parent=? AND o.type=? AND p.id=? AND p.value=? ORDER BY o.id LIMIT 1"));
        if (!s.Int(1, *subtree).Int(2, MAPI_FOLDER).Int(3, PROP_ID(PR_DISPLAY_NAME_W)).Blob(4, name).Row())
            continue;
        const ObjectId deleted = s.ColInt(0);
        const PropData eid = MakeBinary(EntryId(deleted));
        Step put(Prepare("INSERT OR IGNORE INTO props(object, id, type, value) VALUES(?, ?, ?, ?)"));
        put.Int(1, st).Int(2, PROP_ID(PR_IPM_WASTEBASKET_ENTRYID)).Int(3, eid.type).Blob(4, eid.bytes).Done();
    }
}

bool StoreDb::Create(const std::string& path, const StoreFileOptions& options, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    sqlite3* raw = nullptr;
    if (sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::string why = raw ? sqlite3_errmsg(raw) : "cannot open";
        sqlite3_close(raw);
        return fail(why);
    }
    std::unique_ptr<StoreDb> store(new StoreDb(raw));
    // A half-written file is no store: remove it again on any failure below.
    struct RemoveOnFailure {
        const std::string& path;
        std::unique_ptr<StoreDb>& store;
        bool done = false;
        ~RemoveOnFailure()
        {
            if (done)
                return;
            store.reset();
            std::remove(path.c_str());
            std::remove((path + "-wal").c_str());
            std::remove((path + "-shm").c_str());
        }
    } cleanup{path, store};
    store->Exec("PRAGMA journal_mode=WAL");
    if (!store->Exec("BEGIN"))
        return fail(sqlite3_errmsg(raw));
    for (const char* sql : kSchema)
        if (!store->Exec(sql))
            return fail(sqlite3_errmsg(raw));

    std::random_device rd;
    std::string uid(16, '\0');
    for (char& c : uid)
        c = static_cast<char>(rd() & 0xFF);
    {
        Step s(store->Prepare("INSERT INTO meta(key, value) VALUES('uid', ?)"));
        if (!s.Blob(1, uid).Done())
            return fail(sqlite3_errmsg(raw));
    }
    store->m_uid = uid;

    auto insert = [&](ULONG type, ObjectId st, ObjectId parent) -> ObjectId {
        Step s(store->Prepare("INSERT INTO objects(type, store, parent) VALUES(?, ?, ?)"));
        s.Int(1, type).Int(2, st).Int(3, parent);
        if (!s.Done())
            return 0;
        const ObjectId id = sqlite3_last_insert_rowid(raw);
        if (type == MAPI_STORE) {
            Step u(store->Prepare("UPDATE objects SET store=id WHERE id=?"));
            u.Int(1, id).Done();
        }
        return id;
    };
    auto put = [&](ObjectId object, ULONG tag, const PropData& data) {
        Step s(store->Prepare("INSERT OR REPLACE INTO props(object, id, type, value) VALUES(?, ?, ?, ?)"));
        return s.Int(1, object).Int(2, PROP_ID(tag)).Int(3, data.type).Blob(4, data.bytes).Done();
    };
    auto text = [](const QString& s) {
        return MakeUnicode(std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size())));
    };
    const FILETIME now = NowAsFileTime();
    auto folder = [&](ObjectId st, ObjectId parent, const QString& name, const QString& containerClass) {
        const ObjectId id = insert(MAPI_FOLDER, st, parent);
        if (!id)
            return id;
        put(id, PR_DISPLAY_NAME_W, text(name));
        if (!containerClass.isEmpty())
            put(id, PR_CONTAINER_CLASS_W, text(containerClass));
        put(id, PR_CREATION_TIME, MakeTime(now));
        put(id, PR_LAST_MODIFICATION_TIME, MakeTime(now));
        return id;
    };
    auto msgStore = [&](const QString& name, bool isDefault) -> ObjectId {
        const ObjectId st = insert(MAPI_STORE, 0, 0);
        if (!st)
            return 0;
        put(st, PR_DISPLAY_NAME_W, text(name));
        put(st, PR_DEFAULT_STORE, MakeBool(isDefault));
        put(st, PR_RESOURCE_FLAGS, MakeLong(isDefault ? STATUS_DEFAULT_STORE : 0));
        put(st, PR_STORE_SUPPORT_MASK, MakeLong(static_cast<LONG>(STORE_UNICODE_OK | 0x1 /* entry ids unique */)));
        const ObjectId root = folder(st, st, QString(), QString());
        const ObjectId subtree = folder(st, root, QStringLiteral("Top of Information Store"), QString());
        put(st, PR_IPM_SUBTREE_ENTRYID, MakeBinary(store->EntryId(subtree)));
        return st;
    };

    if (options.withPublicFolders && !msgStore(QStringLiteral("Public Folders"), false))
        return fail(sqlite3_errmsg(raw));
    const ObjectId st = msgStore(options.displayName, true);
    if (!st)
        return fail(sqlite3_errmsg(raw));
    ObjectId subtree = 0;
    {
        PropMap props;
        store->LoadProps(st, props);
        std::string eid;
        ReadBinary(props[PROP_ID(PR_IPM_SUBTREE_ENTRYID)], eid);
        subtree = *store->ObjectFromEntryId(eid.data(), static_cast<ULONG>(eid.size()));
    }
    const ObjectId inbox = folder(st, subtree, QStringLiteral("Inbox"), QStringLiteral("IPF.Note"));
    const ObjectId calendar = folder(st, subtree, QStringLiteral("Calendar"), QStringLiteral("IPF.Appointment"));
    const ObjectId contacts = folder(st, subtree, QStringLiteral("Contacts"), QStringLiteral("IPF.Contact"));
    const ObjectId tasks = folder(st, subtree, QStringLiteral("Tasks"), QStringLiteral("IPF.Task"));
    const ObjectId deleted = folder(st, subtree, QStringLiteral("Deleted Items"), QStringLiteral("IPF.Note"));
    if (!inbox || !calendar || !contacts || !tasks || !deleted)
        return fail(sqlite3_errmsg(raw));
    // Outlook keeps the special-folder ids on the Inbox and on the store's root.
    const ObjectId root = store->Object(subtree)->parent;
    for (ObjectId holder : {inbox, root}) {
        put(holder, PR_IPM_APPOINTMENT_ENTRYID, MakeBinary(store->EntryId(calendar)));
        put(holder, PR_IPM_TASK_ENTRYID, MakeBinary(store->EntryId(tasks)));
        put(holder, PR_IPM_CONTACT_ENTRYID, MakeBinary(store->EntryId(contacts)));
    }
    put(st, PR_IPM_WASTEBASKET_ENTRYID, MakeBinary(store->EntryId(deleted)));
    for (const char* cls : {"", "IPM", "REPORT.IPM"}) {
        Step s(store->Prepare("INSERT INTO receive(store, class, folder) VALUES(?, ?, ?)"));
        if (!s.Int(1, st).Text(2, cls).Int(3, inbox).Done())
            return fail(sqlite3_errmsg(raw));
    }
    if (!store->Exec("PRAGMA user_version=1") || !store->Exec("COMMIT"))
        return fail(sqlite3_errmsg(raw));
    cleanup.done = true;
    return true;
}

std::optional<ObjectRow> StoreDb::Object(ObjectId id)
{
    std::lock_guard lock(m_mutex);
    Step s(Prepare("SELECT type, store, parent FROM objects WHERE id=?"));
    if (!s || !s.Int(1, id).Row())
        return std::nullopt;
    return ObjectRow{id, static_cast<ULONG>(s.ColInt(0)), s.ColInt(1), s.ColInt(2)};
}

std::string StoreDb::EntryId(ObjectId id) const
{
    std::string eid(4, '\0');
    eid += m_uid;
    for (int i = 0; i < 8; ++i)
        eid.push_back(static_cast<char>((static_cast<std::uint64_t>(id) >> (8 * i)) & 0xFF));
    return eid;
}

std::optional<ObjectId> StoreDb::ObjectFromEntryId(const void* entryId, ULONG cb) const
{
    if (!entryId || cb != kEntryIdSize)
        return std::nullopt;
    const auto* p = static_cast<const unsigned char*>(entryId);
    if (std::memcmp(p, "\0\0\0\0", 4) != 0 || std::memcmp(p + 4, m_uid.data(), 16) != 0)
        return std::nullopt;
    std::uint64_t id = 0;
    for (int i = 0; i < 8; ++i)
        id |= static_cast<std::uint64_t>(p[20 + i]) << (8 * i);
    return static_cast<ObjectId>(id);
}

std::vector<ObjectId> StoreDb::Children(ObjectId parent, ULONG type)
{
    std::lock_guard lock(m_mutex);
    std::vector<ObjectId> ids;
    Step s(Prepare("SELECT id FROM objects WHERE parent=? AND type=? AND id<>parent ORDER BY id"));
    s.Int(1, parent).Int(2, type);
    while (s.Row())
        ids.push_back(s.ColInt(0));
    return ids;
}

std::vector<ObjectId> StoreDb::Stores()
{
    std::lock_guard lock(m_mutex);
    std::vector<ObjectId> ids;
    Step s(Prepare("SELECT id FROM objects WHERE type=1 ORDER BY id"));
    while (s.Row())
        ids.push_back(s.ColInt(0));
    return ids;
}

std::int64_t StoreDb::CountChildren(ObjectId parent, ULONG type)
{
    std::lock_guard lock(m_mutex);
    Step s(Prepare("SELECT count(*) FROM objects WHERE parent=? AND type=?"));
    return s.Int(1, parent).Int(2, type).Row() ? s.ColInt(0) : 0;
}

bool StoreDb::LoadProps(ObjectId id, PropMap& out, const std::vector<ULONG>* onlyIds)
{
    std::lock_guard lock(m_mutex);
    Step s(Prepare("SELECT id, type, value FROM props WHERE object=?"));
    if (!s)
        return false;
    s.Int(1, id);
    int rc;
    while ((rc = s.Run()) == SQLITE_ROW) {
        const auto propId = static_cast<ULONG>(s.ColInt(0));
        if (onlyIds && std::find(onlyIds->begin(), onlyIds->end(), propId) == onlyIds->end())
            continue;
        out[propId] = PropData{static_cast<ULONG>(s.ColInt(1)), s.ColBlob(2)};
    }
    return rc == SQLITE_DONE;
}

HRESULT StoreDb::SaveMessage(ObjectId& id, ObjectId store, ObjectId parent, const PropMap& changed,
                             const std::set<ULONG>& deleted)
{
    const bool created = id == 0;
    const HRESULT hr = WriteMessage(id, store, parent, changed, deleted);
    // Sinks hear of the save after the lock is given up, so they may call back into the store.
    if (SUCCEEDED(hr))
        Notify(store, created ? fnevObjectCreated : fnevObjectModified, id, parent);
    return hr;
}

HRESULT StoreDb::MoveMessages(const std::vector<ObjectId>& ids, ObjectId store, ObjectId from, ObjectId to)
{
    {
        std::lock_guard lock(m_mutex);
        const auto dest = Object(to);
        if (!dest || dest->type != MAPI_FOLDER || dest->store != store)
            return MAPI_E_INVALID_PARAMETER;
        if (!Exec("BEGIN IMMEDIATE"))
            return MAPI_E_BUSY;
        for (ObjectId id : ids) {
            Step s(Prepare("UPDATE objects SET parent=? WHERE id=? AND parent=? AND type=5"));
            if (!s.Int(1, to).Int(2, id).Int(3, from).Done() || sqlite3_changes(m_db) != 1) {
                Exec("ROLLBACK");
                return MAPI_E_NOT_FOUND;
            }
        }
        if (!Exec("COMMIT")) {
            Exec("ROLLBACK");
            return MAPI_E_DISK_ERROR;
        }
    }
    for (ObjectId id : ids)
        Notify(store, fnevObjectMoved, id, to);
    return S_OK;
}

HRESULT StoreDb::WriteMessage(ObjectId& id, ObjectId store, ObjectId parent, const PropMap& changed,
                              const std::set<ULONG>& deleted)
{
    std::lock_guard lock(m_mutex);
    if (!Exec("BEGIN IMMEDIATE"))
        return MAPI_E_BUSY;
    auto rollback = [&](HRESULT hr) {
        Exec("ROLLBACK");
        return hr;
    };
    ObjectId target = id;
    if (!target) {
        Step s(Prepare("INSERT INTO objects(type, store, parent) VALUES(5, ?, ?)"));
        if (!s.Int(1, store).Int(2, parent).Done())
            return rollback(MAPI_E_DISK_ERROR);
        target = sqlite3_last_insert_rowid(m_db);
    } else {
        Step s(Prepare("SELECT 1 FROM objects WHERE id=?"));
        if (!s.Int(1, target).Row())
            return rollback(MAPI_E_OBJECT_DELETED);
    }
    for (ULONG propId : deleted) {
        Step s(Prepare("DELETE FROM props WHERE object=? AND id=?"));
        if (!s.Int(1, target).Int(2, propId).Done())
            return rollback(MAPI_E_DISK_ERROR);
    }
    int budget = g_failAfter.exchange(-1);
    for (const auto& [propId, data] : changed) {
        if (budget == 0)
            return rollback(MAPI_E_DISK_ERROR);
        if (budget > 0)
            --budget;
        Step s(Prepare("INSERT OR REPLACE INTO props(object, id, type, value) VALUES(?, ?, ?, ?)"));
        if (!s.Int(1, target).Int(2, propId).Int(3, data.type).Blob(4, data.bytes).Done())
            return rollback(MAPI_E_DISK_ERROR);
    }
    if (!Exec("COMMIT"))
        return rollback(MAPI_E_DISK_ERROR);
    id = target;
    return S_OK;
}

void StoreDb::RememberName(ObjectId store, const NameCacheKey& key, const NameKey& name, ULONG propId)
{
    m_namesById.emplace(key, propId);
    m_namesByProp.emplace(std::make_pair(store, propId), name);
}

HRESULT StoreDb::IdsFromNames(ObjectId store, const std::vector<NameKey>& names, bool create, std::vector<ULONG>& ids)
{
    std::lock_guard lock(m_mutex);
    ids.assign(names.size(), 0);
    bool began = false;
    // Names this call maps anew are remembered only once they are committed.
    std::vector<std::size_t> created;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const NameKey& n = names[i];
        const std::string name = n.kind == MNID_STRING ? Utf8(n.name) : std::string();
        const std::int64_t lid = n.kind == MNID_ID ? n.lid : 0;
        const NameCacheKey key{store, GuidBytes(n.guid), n.kind, lid, name};
        if (const auto known = m_namesById.find(key); known != m_namesById.end()) {
            ids[i] = known->second;
            continue;
        }
        {
            Step s(Prepare("SELECT id FROM names WHERE store=? AND guid=? AND kind=? AND lid=? AND name=?"));
            s.Int(1, store).Blob(2, GuidBytes(n.guid)).Int(3, n.kind).Int(4, lid).Text(5, name);
            if (s.Row()) {
                ids[i] = static_cast<ULONG>(s.ColInt(0));
                RememberName(store, key, n, ids[i]);
                continue;
            }
        }
        if (!create)
            continue;
        if (!began) {
            if (!Exec("BEGIN IMMEDIATE"))
                return MAPI_E_BUSY;
            began = true;
        }
        std::int64_t next = MAPI_NAMED_PROP_FIRST;
        {
            Step s(Prepare("SELECT coalesce(max(id), 0) FROM names WHERE store=?"));
            if (s.Int(1, store).Row() && s.ColInt(0) >= next)
                next = s.ColInt(0) + 1;
        }
        if (next > MAPI_NAMED_PROP_LAST) {
            Exec("ROLLBACK");
            return MAPI_E_TOO_BIG;
        }
        Step s(Prepare("INSERT INTO names(store, id, guid, kind, lid, name) VALUES(?, ?, ?, ?, ?, ?)"));
        s.Int(1, store).Int(2, next).Blob(3, GuidBytes(n.guid)).Int(4, n.kind).Int(5, lid).Text(6, name);
        if (!s.Done()) {
            Exec("ROLLBACK");
            return MAPI_E_DISK_ERROR;
        }
        ids[i] = static_cast<ULONG>(next);
        created.push_back(i);
    }
    if (began && !Exec("COMMIT")) {
        Exec("ROLLBACK");
        return MAPI_E_DISK_ERROR;
    }
    for (std::size_t i : created) {
        const NameKey& n = names[i];
        RememberName(store,
                     NameCacheKey{store, GuidBytes(n.guid), n.kind, n.kind == MNID_ID ? n.lid : 0,
                                  n.kind == MNID_STRING ? Utf8(n.name) : std::string()},
                     n, ids[i]);
    }
    return S_OK;
}

bool StoreDb::NameFromId(ObjectId store, ULONG propId, NameKey& out)
{
    std::lock_guard lock(m_mutex);
    if (const auto known = m_namesByProp.find({store, propId}); known != m_namesByProp.end()) {
        out = known->second;
        return true;
    }
    Step s(Prepare("SELECT guid, kind, lid, name FROM names WHERE store=? AND id=?"));
    if (!s.Int(1, store).Int(2, propId).Row())
        return false;
    const std::string guid = s.ColBlob(0);
    if (guid.size() != sizeof(GUID))
        return false;
    std::memcpy(&out.guid, guid.data(), sizeof(GUID));
    out.kind = static_cast<ULONG>(s.ColInt(1));
    out.lid = static_cast<LONG>(s.ColInt(2));
    out.name = Utf16(s.ColText(3));
    m_namesByProp.emplace(std::make_pair(store, propId), out);
    return true;
}

std::optional<ObjectId> StoreDb::ReceiveFolder(ObjectId store, const std::string& messageClass, std::string* explicitClass)
{
    std::lock_guard lock(m_mutex);
    std::string cls = messageClass;
    for (;;) {
        Step s(Prepare("SELECT folder, class FROM receive WHERE store=? AND class=? COLLATE NOCASE"));
        if (s.Int(1, store).Text(2, cls).Row()) {
            if (explicitClass)
                *explicitClass = s.ColText(1);
            return s.ColInt(0);
        }
        if (cls.empty())
            return std::nullopt;
        const auto dot = cls.rfind('.');
        cls = dot == std::string::npos ? std::string() : cls.substr(0, dot);
    }
}

ULONG StoreDb::Advise(ObjectId store, std::optional<ObjectId> object, ULONG mask, IMAPIAdviseSink* sink)
{
    std::lock_guard lock(m_mutex);
    sink->AddRef();
    const ULONG connection = m_nextConnection++;
    m_sinks.emplace(connection, Sink{store, object, mask, sink});
    return connection;
}

bool StoreDb::Unadvise(ULONG connection)
{
    IMAPIAdviseSink* sink = nullptr;
    {
        std::lock_guard lock(m_mutex);
        auto it = m_sinks.find(connection);
        if (it == m_sinks.end())
            return false;
        sink = it->second.sink;
        m_sinks.erase(it);
    }
    sink->Release();
    return true;
}

void StoreDb::Notify(ObjectId store, ULONG event, ObjectId object, ObjectId parent)
{
    std::vector<IMAPIAdviseSink*> targets;
    {
        std::lock_guard lock(m_mutex);
        for (auto& [connection, s] : m_sinks) {
            if (s.store != store || !(s.mask & event))
                continue;
            if (s.object && *s.object != object && *s.object != parent)
                continue;
            s.sink->AddRef();
            targets.push_back(s.sink);
        }
    }
    if (targets.empty())
        return;
    std::string eid = EntryId(object);
    std::string pid = EntryId(parent);
    NOTIFICATION n{};
    n.ulEventType = event;
    n.info.obj.cbEntryID = static_cast<ULONG>(eid.size());
    n.info.obj.lpEntryID = reinterpret_cast<LPENTRYID>(eid.data());
    n.info.obj.ulObjType = MAPI_MESSAGE;
    n.info.obj.cbParentID = static_cast<ULONG>(pid.size());
    n.info.obj.lpParentID = reinterpret_cast<LPENTRYID>(pid.data());
    for (IMAPIAdviseSink* sink : targets) {
        sink->OnNotify(1, &n);
        sink->Release();
    }
}

}  // namespace tamo::mapi
