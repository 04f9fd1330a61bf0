#include "platform/mapi/MapiObjects.h"

namespace tamo::mapi {

Folder::Folder(std::shared_ptr<StoreDb> db, ObjectRow row, bool writable)
    : m_db(std::move(db)), m_row(row), m_writable(writable)
{
}

namespace {

PropMap LoadFolder(StoreDb& db, const ObjectRow& row)
{
    PropMap props;
    db.LoadProps(row.id, props);
    props::AddComputed(db, row, props);
    return props;
}

Table::Loader RowLoader(const std::shared_ptr<StoreDb>& db)
{
    return [db](ObjectId id, const std::vector<ULONG>& columns, PropMap& props) {
        // Only the columns' values: a walk of a folder asks for two of a message's many.
        std::vector<ULONG> ids;
        for (ULONG tag : columns)
            ids.push_back(PROP_ID(tag));
        const auto row = db->Object(id);
        if (!row || !db->LoadProps(id, props, &ids))
            return false;
        props::AddComputed(*db, *row, props);
        return true;
    };
}

}  // namespace

HRESULT Folder::SaveChanges(ULONG /*ulFlags*/) { return S_OK; }

HRESULT Folder::GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppPropArray)
{
    return props::GetProps(LoadFolder(*m_db, m_row), lpPropTagArray, ulFlags, lpcValues, lppPropArray);
}

HRESULT Folder::GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray)
{
    return props::GetPropList(LoadFolder(*m_db, m_row), ulFlags, lppPropTagArray);
}

// Folders are laid out when the store file is made; callers change messages only.
HRESULT Folder::SetProps(ULONG, LPSPropValue, LPSPropProblemArray*) { return MAPI_E_NO_ACCESS; }
HRESULT Folder::DeleteProps(LPSPropTagArray, LPSPropProblemArray*) { return MAPI_E_NO_ACCESS; }

HRESULT Folder::GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags, ULONG* lpcPropNames,
                                LPMAPINAMEID** lpppPropNames)
{
    return props::GetNamesFromIDs(*m_db, m_row.store, lppPropTags, lpPropSetGuid, ulFlags, lpcPropNames, lpppPropNames);
}

HRESULT Folder::GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                                LPSPropTagArray* lppPropTags)
{
    return props::GetIDsFromNames(*m_db, m_row.store, cPropNames, lppPropNames, ulFlags, lppPropTags);
}

HRESULT Folder::GetContentsTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    *lppTable = new Table(m_db, m_db->Children(m_row.id, MAPI_MESSAGE),
                          {PR_ENTRYID, PR_INSTANCE_KEY, PR_MESSAGE_CLASS_W, PR_SUBJECT_W, PR_MESSAGE_FLAGS},
                          (ulFlags & MAPI_UNICODE) != 0, RowLoader(m_db));
    return S_OK;
}

HRESULT Folder::GetHierarchyTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    *lppTable = new Table(m_db, m_db->Children(m_row.id, MAPI_FOLDER),
                          {PR_ENTRYID, PR_INSTANCE_KEY, PR_DISPLAY_NAME_W, PR_CONTAINER_CLASS_W},
                          (ulFlags & MAPI_UNICODE) != 0, RowLoader(m_db));
    return S_OK;
}

HRESULT Folder::OpenEntry(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                          ULONG* lpulObjType, LPUNKNOWN* lppUnk)
{
    if (!lpEntryID || !cbEntryID) {
        // A null entry id opens this folder itself.
        if (!lpulObjType || !lppUnk)
            return MAPI_E_INVALID_PARAMETER;
        AddRef();
        *lpulObjType = MAPI_FOLDER;
        *lppUnk = static_cast<IMAPIFolder*>(this);
        return S_OK;
    }
    return OpenObject(m_db, m_row.store, cbEntryID, lpEntryID, lpInterface, ulFlags, lpulObjType, lppUnk);
}

HRESULT Folder::CreateMessage(LPCIID lpInterface, ULONG /*ulFlags*/, LPMESSAGE* lppMessage)
{
    if (!lppMessage)
        return MAPI_E_INVALID_PARAMETER;
    *lppMessage = nullptr;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    if (lpInterface && !(*lpInterface == IID_IMessage) && !(*lpInterface == IID_IMAPIProp) &&
        !(*lpInterface == IID_IUnknown))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    ObjectRow row{0, MAPI_MESSAGE, m_row.store, m_row.id};
    *lppMessage = new Message(m_db, row, PropMap{}, true);
    return S_OK;
}

HRESULT Folder::CopyMessages(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder, ULONG_PTR /*ulUIParam*/,
                             LPMAPIPROGRESS /*lpProgress*/, ULONG ulFlags)
{
    if (!lpMsgList || !lpDestFolder || (lpMsgList->cValues && !lpMsgList->lpbin))
        return MAPI_E_INVALID_PARAMETER;
    if (!(ulFlags & MESSAGE_MOVE))
        return MAPI_E_NO_SUPPORT;
    if (lpInterface && !(*lpInterface == IID_IMAPIFolder))
        return MAPI_E_INTERFACE_NOT_SUPPORTED;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    auto* dest = dynamic_cast<Folder*>(static_cast<IMAPIFolder*>(lpDestFolder));
    if (!dest || dest->Db() != m_db.get())
        return MAPI_E_INVALID_PARAMETER;
    std::vector<ObjectId> ids;
    for (ULONG i = 0; i < lpMsgList->cValues; ++i) {
        const auto id = m_db->ObjectFromEntryId(lpMsgList->lpbin[i].lpb, lpMsgList->lpbin[i].cb);
        if (!id)
            return MAPI_E_INVALID_ENTRYID;
        ids.push_back(*id);
    }
    return m_db->MoveMessages(ids, m_row.store, m_row.id, dest->Id());
}

}  // namespace tamo::mapi
