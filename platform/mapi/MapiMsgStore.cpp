#include <cstring>

#include <QString>

#include "platform/mapi/MapiObjects.h"

namespace tamo::mapi {

MsgStore::MsgStore(std::shared_ptr<StoreDb> db, ObjectId store, bool writable)
    : m_db(std::move(db)), m_store(store), m_writable(writable)
{
}

MsgStore::~MsgStore()
{
    // Connections a caller forgot to withdraw go with the store object.
    for (ULONG connection : m_connections)
        m_db->Unadvise(connection);
}

PropMap MsgStore::Load()
{
    PropMap props;
    m_db->LoadProps(m_store, props);
    if (const auto row = m_db->Object(m_store))
        props::AddComputed(*m_db, *row, props);
    return props;
}

HRESULT MsgStore::SaveChanges(ULONG /*ulFlags*/) { return S_OK; }

HRESULT MsgStore::GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppPropArray)
{
    return props::GetProps(Load(), lpPropTagArray, ulFlags, lpcValues, lppPropArray);
}

HRESULT MsgStore::GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray)
{
    return props::GetPropList(Load(), ulFlags, lppPropTagArray);
}

// The store's own properties are set when the file is made; callers change messages only.
HRESULT MsgStore::SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) { return MAPI_E_NO_ACCESS; }
HRESULT MsgStore::DeleteProps(LPSPropTagArray, LPSPropProblemArray*) { return MAPI_E_NO_ACCESS; }

HRESULT MsgStore::GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                                  ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames)
{
    return props::GetNamesFromIDs(*m_db, m_store, lppPropTags, lpPropSetGuid, ulFlags, lpcPropNames, lpppPropNames);
}

HRESULT MsgStore::GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                                  LPSPropTagArray* lppPropTags)
{
    return props::GetIDsFromNames(*m_db, m_store, cPropNames, lppPropNames, ulFlags, lppPropTags);
}

HRESULT MsgStore::Advise(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                         ULONG* lpulConnection)
{
    if (!lpAdviseSink || !lpulConnection || !ulEventMask)
        return MAPI_E_INVALID_PARAMETER;
    std::optional<ObjectId> object;
    if (lpEntryID && cbEntryID) {
        object = m_db->ObjectFromEntryId(lpEntryID, cbEntryID);
        if (!object)
            return MAPI_E_INVALID_ENTRYID;
    }
    *lpulConnection = m_db->Advise(m_store, object, ulEventMask, lpAdviseSink);
    m_connections.insert(*lpulConnection);
    return S_OK;
}

HRESULT MsgStore::Unadvise(ULONG ulConnection)
{
    if (!m_connections.erase(ulConnection))
        return MAPI_E_NOT_FOUND;
    m_db->Unadvise(ulConnection);
    return S_OK;
}

HRESULT MsgStore::CompareEntryIDs(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2, LPENTRYID lpEntryID2,
                                  ULONG /*ulFlags*/, ULONG* lpulResult)
{
    if (!lpulResult || !lpEntryID1 || !lpEntryID2)
        return MAPI_E_INVALID_PARAMETER;
    *lpulResult = cbEntryID1 == cbEntryID2 && std::memcmp(lpEntryID1, lpEntryID2, cbEntryID1) == 0;
    return S_OK;
}

HRESULT MsgStore::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                            ULONG* lpulObjType, LPUNKNOWN* lppUnk)
{
    // A store opened read-only hands out read-only objects.
    if (!m_writable)
        ulFlags &= ~(MAPI_MODIFY | MAPI_BEST_ACCESS);
    return OpenObject(m_db, m_store, cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType, lppUnk);
}

HRESULT MsgStore::GetReceiveFolder(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID, LPENTRYID* lppEntryID,
                                   LPTSTR* lppszExplicitClass)
{
    if (!lpcbEntryID || !lppEntryID)
        return MAPI_E_INVALID_PARAMETER;
    const bool unicode = (ulFlags & MAPI_UNICODE) != 0;
    std::string cls;
    if (lpszMessageClass) {
        cls = unicode ? QString::fromUtf16(reinterpret_cast<const char16_t*>(lpszMessageClass)).toStdString()
                      : std::string(lpszMessageClass);
    }
    std::string explicitClass;
    const auto folder = m_db->ReceiveFolder(m_store, cls, &explicitClass);
    if (!folder)
        return MAPI_E_NOT_FOUND;
    const HRESULT hr = props::CopyEntryId(m_db->EntryId(*folder), lpcbEntryID, lppEntryID);
    if (FAILED(hr) || !lppszExplicitClass)
        return hr;
    void* p = nullptr;
    if (unicode) {
        const QString q = QString::fromStdString(explicitClass);
        MAPIAllocateBuffer(static_cast<ULONG>((q.size() + 1) * sizeof(WCHAR)), &p);
        std::memcpy(p, q.utf16(), (q.size() + 1) * sizeof(WCHAR));
    } else {
        MAPIAllocateBuffer(static_cast<ULONG>(explicitClass.size() + 1), &p);
        std::memcpy(p, explicitClass.c_str(), explicitClass.size() + 1);
    }
    *lppszExplicitClass = static_cast<LPTSTR>(p);
    return S_OK;
}

}  // namespace tamo::mapi
