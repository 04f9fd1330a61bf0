#pragma once

// Internal: the objects behind the MAPI interfaces of a store file.

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>
#include <set>
#include <vector>

#include "platform/mapi/Mapi.h"
#include "platform/mapi/StoreDb.h"

namespace tamo::mapi {

constexpr HRESULT MAPI_E_UNEXPECTED_ID = static_cast<HRESULT>(0x80040307);

// Reference counting and QueryInterface for one implementation class.
template <class Interface>
class Unknown : public Interface {
public:
    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT QueryInterface(REFIID riid, LPVOID* ppvObj) override
    {
        if (!ppvObj)
            return MAPI_E_INVALID_PARAMETER;
        for (const IID* iid : Interfaces()) {
            if (*iid == riid) {
                AddRef();
                *ppvObj = static_cast<Interface*>(this);
                return S_OK;
            }
        }
        *ppvObj = nullptr;
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    }
    virtual std::vector<const IID*> Interfaces() const = 0;

private:
    std::atomic<ULONG> m_refs{1};
};

// Shared parts of the property interfaces.
namespace props {
bool IsComputed(ULONG propId);
// The computed properties of a saved object (entry ids, object type, folder counts).
void AddComputed(StoreDb& db, const ObjectRow& row, PropMap& props);
HRESULT GetProps(const PropMap& props, LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* out);
HRESULT GetPropList(const PropMap& props, ULONG flags, LPSPropTagArray* out);
HRESULT GetIDsFromNames(StoreDb& db, ObjectId store, ULONG cNames, LPMAPINAMEID* names, ULONG flags,
                        LPSPropTagArray* out);
HRESULT GetNamesFromIDs(StoreDb& db, ObjectId store, LPSPropTagArray* tags, LPGUID guid, ULONG flags,
                        ULONG* count, LPMAPINAMEID** names);
HRESULT CopyEntryId(const std::string& eid, ULONG* cb, LPENTRYID* out);
}  // namespace props

// Opens the object of an entry id of this file (null: the store's root folder).
HRESULT OpenObject(const std::shared_ptr<StoreDb>& db, std::optional<ObjectId> storeScope, ULONG cbEntryID,
                   LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk);

// A table over a list of objects; the rows are the objects present when the table was made, their
// values are read when a row is fetched.
class Table final : public Unknown<IMAPITable> {
public:
    // Reads a row's values; it may leave out what the columns don't ask for.
    using Loader = std::function<bool(ObjectId, const std::vector<ULONG>& columns, PropMap&)>;
    Table(std::shared_ptr<StoreDb> db, std::vector<ObjectId> rows, std::vector<ULONG> columns, bool unicode, Loader loader);
    std::vector<const IID*> Interfaces() const override { return {&IID_IUnknown, &IID_IMAPITable}; }

    HRESULT SetColumns(LPSPropTagArray lpPropTagArray, ULONG ulFlags) override;
    HRESULT QueryColumns(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) override;
    HRESULT GetRowCount(ULONG ulFlags, ULONG* lpulCount) override;
    HRESULT SeekRow(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) override;
    HRESULT QueryPosition(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) override;
    HRESULT QueryRows(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) override;

private:
    std::shared_ptr<StoreDb> m_db;
    std::vector<ObjectId> m_rows;
    std::vector<ULONG> m_columns;
    bool m_unicode;
    Loader m_loader;
    std::size_t m_cursor = 0;
};

class MsgStore final : public Unknown<IMsgStore> {
public:
    MsgStore(std::shared_ptr<StoreDb> db, ObjectId store, bool writable);
    std::vector<const IID*> Interfaces() const override { return {&IID_IUnknown, &IID_IMAPIProp, &IID_IMsgStore}; }

    HRESULT SaveChanges(ULONG ulFlags) override;
    HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppPropArray) override;
    HRESULT GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) override;
    HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) override;
    HRESULT DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) override;
    HRESULT GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags, ULONG* lpcPropNames,
                            LPMAPINAMEID** lpppPropNames) override;
    HRESULT GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags, LPSPropTagArray* lppPropTags) override;

    HRESULT Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                   ULONG* lpulConnection) override;
    HRESULT Unadvise(ULONG ulConnection) override;
    HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                            ULONG ulFlags, ULONG* lpulResult) override;
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                      LPUNKNOWN* lppUnk) override;
    HRESULT GetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID, LPENTRYID* lppEntryID,
                             LPTSTR* lppszExplicitClass) override;

    ~MsgStore() override;

private:
    PropMap Load();

    std::shared_ptr<StoreDb> m_db;
    ObjectId m_store;
    bool m_writable;
    std::set<ULONG> m_connections;
};

class Folder final : public Unknown<IMAPIFolder> {
public:
    Folder(std::shared_ptr<StoreDb> db, ObjectRow row, bool writable);
    std::vector<const IID*> Interfaces() const override
    {
        return {&IID_IUnknown, &IID_IMAPIProp, &IID_IMAPIContainer, &IID_IMAPIFolder};
    }

    HRESULT SaveChanges(ULONG ulFlags) override;
    HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppPropArray) override;
    HRESULT GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) override;
    HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) override;
    HRESULT DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) override;
    HRESULT GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags, ULONG* lpcPropNames,
                            LPMAPINAMEID** lpppPropNames) override;
    HRESULT GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags, LPSPropTagArray* lppPropTags) override;

    HRESULT GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                      LPUNKNOWN* lppUnk) override;
    HRESULT CreateMessage(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) override;
    HRESULT CopyMessages(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder, ULONG_PTR ulUIParam,
                         LPMAPIPROGRESS lpProgress, ULONG ulFlags) override;
    ObjectId Id() const { return m_row.id; }
    const StoreDb* Db() const { return m_db.get(); }

private:
    std::shared_ptr<StoreDb> m_db;
    ObjectRow m_row;
    bool m_writable;
};

class Message final : public Unknown<IMessage> {
public:
    // A saved message (row.id != 0, props loaded) or a new one (row.id == 0, props empty).
    Message(std::shared_ptr<StoreDb> db, ObjectRow row, PropMap props, bool writable);
    std::vector<const IID*> Interfaces() const override { return {&IID_IUnknown, &IID_IMAPIProp, &IID_IMessage}; }

    HRESULT SaveChanges(ULONG ulFlags) override;
    HRESULT GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppPropArray) override;
    HRESULT GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) override;
    HRESULT SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) override;
    HRESULT DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) override;
    HRESULT GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags, ULONG* lpcPropNames,
                            LPMAPINAMEID** lpppPropNames) override;
    HRESULT GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags, LPSPropTagArray* lppPropTags) override;

    HRESULT GetAttachmentTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT SetReadFlag(ULONG ulFlags) override;

private:
    PropMap Current();

    std::shared_ptr<StoreDb> m_db;
    ObjectRow m_row;
    PropMap m_props;              // what this object sees: saved values with its own changes
    std::set<ULONG> m_changed;    // ids set since the last save
    std::set<ULONG> m_deleted;    // ids deleted since the last save
    bool m_writable;
};

class Session final : public Unknown<IMAPISession> {
public:
    explicit Session(std::shared_ptr<StoreDb> db);
    std::vector<const IID*> Interfaces() const override { return {&IID_IUnknown, &IID_IMAPISession}; }

    HRESULT GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable) override;
    HRESULT OpenMsgStore(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                         LPMDB* lppMDB) override;
    HRESULT OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType,
                      LPUNKNOWN* lppUnk) override;
    HRESULT CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                            ULONG ulFlags, ULONG* lpulResult) override;
    HRESULT Logoff(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) override;

private:
    std::shared_ptr<StoreDb> m_db;
    bool m_loggedOff = false;
};

}  // namespace tamo::mapi
