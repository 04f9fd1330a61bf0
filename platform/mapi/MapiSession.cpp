#include <cstring>

#include "platform/mapi/MapiObjects.h"

namespace tamo::mapi {

Session::Session(std::shared_ptr<StoreDb> db) : m_db(std::move(db)) {}

HRESULT Session::GetMsgStoresTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    if (m_loggedOff)
        return MAPI_E_INVALID_OBJECT;
    std::shared_ptr<StoreDb> db = m_db;
    auto loader = [db](ObjectId id, const std::vector<ULONG>&, PropMap& props) {
        const auto row = db->Object(id);
        if (!row || !db->LoadProps(id, props))
            return false;
        props::AddComputed(*db, *row, props);
        return true;
    };
    *lppTable = new Table(m_db, m_db->Stores(), {PR_DISPLAY_NAME_W, PR_ENTRYID, PR_DEFAULT_STORE},
                          (ulFlags & MAPI_UNICODE) != 0, loader);
    return S_OK;
}

HRESULT Session::OpenMsgStore(ULONG_PTR /*ulUIParam*/, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                              ULONG ulFlags, LPMDB* lppMDB)
{
    if (!lppMDB || !lpEntryID)
        return MAPI_E_INVALID_PARAMETER;
    if (m_loggedOff)
        return MAPI_E_INVALID_OBJECT;
    *lppMDB = nullptr;
    const auto id = m_db->ObjectFromEntryId(lpEntryID, cbEntryID);
    const auto row = id ? m_db->Object(*id) : std::nullopt;
    if (!row || row->type != MAPI_STORE)
        return MAPI_E_INVALID_ENTRYID;
    if (lpInterface && !(*lpInterface == IID_IMsgStore) && !(*lpInterface == IID_IMAPIProp) &&
        !(*lpInterface == IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    *lppMDB = new MsgStore(m_db, row->id, (ulFlags & (MDB_WRITE | MAPI_BEST_ACCESS)) != 0);
    return S_OK;
}

HRESULT Session::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                           ULONG* lpulObjType, LPUNKNOWN* lppUnk)
{
    if (m_loggedOff)
        return MAPI_E_INVALID_OBJECT;
    return OpenObject(m_db, std::nullopt, cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType, lppUnk);
}

HRESULT Session::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                                 ULONG /*ulFlags*/, ULONG* lpulResult)
{
    if (!lpulResult || !lpEntryID1 || !lpEntryID2)
        return MAPI_E_INVALID_PARAMETER;
    *lpulResult = cbEntryID1 == cbEntryID2 && std::memcmp(lpEntryID1, lpEntryID2, cbEntryID1) == 0;
    return S_OK;
}

HRESULT Session::Logoff(ULONG_PTR /*ulUIParam*/, ULONG /*ulFlags*/, ULONG /*ulReserved*/)
{
    m_loggedOff = true;
    return S_OK;
}

}  // namespace tamo::mapi
