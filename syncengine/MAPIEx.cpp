#include "syncengine/MAPIEx.h"

#include "syncengine/MAPIMessage.h"
#include "syncengine/MAPISync.h"
#include "syncengine/OleDate.h"

namespace {

template <class T>
void ReleaseAndNull(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

template <class T>
T* Share(T* p)
{
    if (p)
        p->AddRef();
    return p;
}

void SetOne(IMessage* pMsg, SPropValue& value)
{
    if (pMsg && value.ulPropTag)
        pMsg->SetProps(1, &value, nullptr);
}

ULONG TagFor(IMessage* pMsg, int nSet, ULONG ulID, ULONG ulType)
{
    if (nSet == PROPSET_NONE)
        return PROP_TYPE(ulID) == PT_UNSPECIFIED ? PROP_TAG(ulType, PROP_ID(ulID)) : ulID;
    return CMAPIEx::ResolveNamedProp(pMsg, nSet, ulID, ulType);
}

}  // namespace

CMAPIEx::~CMAPIEx() { Release(); }

CMAPIEx::CMAPIEx(const CMAPIEx& other) { CopyFrom(other); }

CMAPIEx& CMAPIEx::operator=(const CMAPIEx& other)
{
    if (this != &other) {
        CMAPIEx keep(other);  // other may be released by our Release below
        Release();
        CopyFrom(keep);
    }
    return *this;
}

void CMAPIEx::CopyFrom(const CMAPIEx& other)
{
    m_pSession = Share(other.m_pSession);
    m_pMsgStore = Share(other.m_pMsgStore);
    m_pFolder = Share(other.m_pFolder);
    m_pHierarchy = Share(other.m_pHierarchy);
    m_pItems = Share(other.m_pItems);
    // The advise connection stays with the object that made it.
    m_ulConnection = 0;
    m_ulMDBFlags = other.m_ulMDBFlags;
}

void CMAPIEx::Release()
{
    if (m_ulConnection && m_pMsgStore)
        m_pMsgStore->Unadvise(m_ulConnection);
    m_ulConnection = 0;
    ReleaseAndNull(m_pHierarchy);
    ReleaseAndNull(m_pItems);
    ReleaseAndNull(m_pFolder);
    ReleaseAndNull(m_pMsgStore);
    if (m_pSession) {
        // The last holder of the session logs it off.
        m_pSession->AddRef();
        if (m_pSession->Release() == 1)
            m_pSession->Logoff(0, 0, 0);
    }
    ReleaseAndNull(m_pSession);
}

IMAPIFolder* CMAPIEx::OpenSpecialFolder(ULONG ulTag)
{
    if (!m_pMsgStore)
        return nullptr;
    ULONG cbInbox = 0;
    LPENTRYID rawInbox = nullptr;
    if (FAILED(m_pMsgStore->GetReceiveFolder(nullptr, 0, &cbInbox, &rawInbox, nullptr)))
        return nullptr;
    MapiBuffer<ENTRYID> inboxId(rawInbox);
    ULONG type = 0;
    IUnknown* unknown = nullptr;
    if (FAILED(m_pMsgStore->OpenEntry(cbInbox, inboxId.get(), nullptr, m_ulMDBFlags, &type, &unknown)))
        return nullptr;
    auto* inbox = static_cast<IMAPIFolder*>(unknown);
    SizedSPropTagArray(1, tags) = {1, {ulTag}};
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    const HRESULT hr = inbox->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &raw);
    inbox->Release();
    MapiBuffer<SPropValue> value(raw);
    if (hr != S_OK || count != 1 || PROP_TYPE(value->ulPropTag) != PT_BINARY)
        return nullptr;
    unknown = nullptr;
    if (FAILED(m_pMsgStore->OpenEntry(value->Value.bin.cb, reinterpret_cast<LPENTRYID>(value->Value.bin.lpb), nullptr,
                                      m_ulMDBFlags, &type, &unknown)))
        return nullptr;
    if (type != MAPI_FOLDER) {
        unknown->Release();
        return nullptr;
    }
    ReleaseAndNull(m_pFolder);
    m_pFolder = static_cast<IMAPIFolder*>(unknown);
    return m_pFolder;
}

bool CMAPIEx::GetContents(IMAPIFolder* pFolder)
{
    if (!pFolder)
        pFolder = m_pFolder;
    ReleaseAndNull(m_pItems);
    if (!pFolder || FAILED(pFolder->GetContentsTable(MAPI_UNICODE, &m_pItems)))
        return false;
    SizedSPropTagArray(2, columns) = {2, {PR_MESSAGE_FLAGS, PR_ENTRYID}};
    if (FAILED(m_pItems->SetColumns(reinterpret_cast<LPSPropTagArray>(&columns), 0))) {
        ReleaseAndNull(m_pItems);
        return false;
    }
    return true;
}

bool CMAPIEx::GetNextMessage(CMAPIMessage& message)
{
    if (!m_pItems)
        return false;
    LPSRowSet raw = nullptr;
    if (FAILED(m_pItems->QueryRows(1, 0, &raw)))
        return false;
    MapiRows rows(raw);
    if (!rows || rows->cRows == 0)
        return false;
    const SRow& row = rows->aRow[0];
    ULONG flags = 0;
    const SBinary* entry = nullptr;
    for (ULONG i = 0; i < row.cValues; ++i) {
        if (row.lpProps[i].ulPropTag == PR_MESSAGE_FLAGS)
            flags = static_cast<ULONG>(row.lpProps[i].Value.l);
        else if (row.lpProps[i].ulPropTag == PR_ENTRYID)
            entry = &row.lpProps[i].Value.bin;
    }
    if (!entry)
        return false;
    return OpenMessage(*entry, flags, message);
}

bool CMAPIEx::OpenMessage(const SBinary& entryID, ULONG ulMessageFlags, CMAPIMessage& message)
{
    message.Close();
    if (!m_pSession || !entryID.cb || !entryID.lpb)
        return false;
    ULONG type = 0;
    IUnknown* unknown = nullptr;
    if (FAILED(m_pSession->OpenEntry(entryID.cb, reinterpret_cast<LPENTRYID>(entryID.lpb), nullptr, MAPI_BEST_ACCESS,
                                     &type, &unknown)))
        return false;
    if (type != MAPI_MESSAGE) {
        unknown->Release();
        return false;
    }
    message.Open(this, static_cast<IMessage*>(unknown), ulMessageFlags, entryID);
    return true;
}

const GUID* CMAPIEx::PropSetGuid(int nSet)
{
    switch (nSet) {
    case PROPSET_APPOINTMENT: return &PSETID_Appointment;
    case PROPSET_TASK: return &PSETID_Task;
    case PROPSET_COMMON: return &PSETID_Common;
    case PROPSET_MEETING: return &PSETID_Meeting;
    default: return nullptr;
    }
}

ULONG CMAPIEx::ResolveNamedProp(IMAPIProp* pProp, int nSet, ULONG ulID, ULONG ulType)
{
    const GUID* set = PropSetGuid(nSet);
    if (!pProp || !set)
        return 0;
    GUID guid = *set;
    MAPINAMEID name{&guid, MNID_ID, {static_cast<LONG>(ulID)}};
    LPMAPINAMEID names[1] = {&name};
    LPSPropTagArray raw = nullptr;
    if (pProp->GetIDsFromNames(1, names, MAPI_CREATE, &raw) != S_OK)
        return 0;
    MapiBuffer<SPropTagArray> tags(raw);
    if (tags->cValues != 1 || PROP_TYPE(tags->aulPropTag[0]) == PT_ERROR)
        return 0;
    return PROP_TAG(ulType, PROP_ID(tags->aulPropTag[0]));
}

void CMAPIEx::SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, const QString& strValue)
{
    SPropValue value{};
    value.ulPropTag = TagFor(pMsg, nSet, ulID, PT_UNICODE);
    value.Value.lpszW = const_cast<LPWSTR>(reinterpret_cast<LPCWSTR>(strValue.utf16()));
    SetOne(pMsg, value);
}

void CMAPIEx::SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, LONG lValue)
{
    SPropValue value{};
    value.ulPropTag = TagFor(pMsg, nSet, ulID, PT_LONG);
    value.Value.l = lValue;
    SetOne(pMsg, value);
}

void CMAPIEx::SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, bool bValue)
{
    SPropValue value{};
    value.ulPropTag = ResolveNamedProp(pMsg, nSet, ulID, PT_BOOLEAN);
    value.Value.b = bValue ? 1 : 0;
    SetOne(pMsg, value);
}

void CMAPIEx::SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, const SYSTEMTIME& stValue)
{
    const auto ft = oledate::SystemTimeToFileTime(stValue);
    if (!ft)
        return;
    SPropValue value{};
    value.ulPropTag = ResolveNamedProp(pMsg, nSet, ulID, PT_SYSTIME);
    value.Value.ft = *ft;
    SetOne(pMsg, value);
}

void CMAPIEx::SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, const BYTE* pData, ULONG cb)
{
    SPropValue value{};
    value.ulPropTag = ResolveNamedProp(pMsg, nSet, ulID, PT_BINARY);
    value.Value.bin.cb = cb;
    value.Value.bin.lpb = const_cast<LPBYTE>(pData);
    SetOne(pMsg, value);
}

MapiBuffer<SPropValue> CMAPIEx::GetNamedPropValue(IMessage* pMsg, ULONG ulTag, bool bNamed, int nSet)
{
    if (!pMsg)
        return nullptr;
    const ULONG tag = bNamed ? ResolveNamedProp(pMsg, nSet, PROP_ID(ulTag), PROP_TYPE(ulTag)) : ulTag;
    if (!tag)
        return nullptr;
    SizedSPropTagArray(1, tags) = {1, {tag}};
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    if (pMsg->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &raw) != S_OK) {
        MAPIFreeBuffer(raw);
        return nullptr;
    }
    return MapiBuffer<SPropValue>(raw);
}

bool CMAPIEx::GetNamedProp(IMessage* pMsg, ULONG ulTag, bool bNamed, int nSet, QString& strValue)
{
    strValue.clear();
    const MapiBuffer<SPropValue> value = GetNamedPropValue(pMsg, ulTag, bNamed, nSet);
    if (!value)
        return false;
    // The task dates are told apart by their named id, so the formatter gets the asked-for tag.
    const bool taskDate = bNamed && nSet == PROPSET_TASK;
    CMAPISync::InterpretProp(value.get(), strValue, nullptr, taskDate ? ulTag : 0);
    return true;
}
