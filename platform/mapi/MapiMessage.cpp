#include "platform/mapi/MapiObjects.h"

namespace tamo::mapi {

namespace {

HRESULT ReportProblems(const std::vector<SPropProblem>& problems, LPSPropProblemArray* lppProblems)
{
    if (!lppProblems)
        return S_OK;
    *lppProblems = nullptr;
    if (problems.empty())
        return S_OK;
    void* p = nullptr;
    const ULONG size = static_cast<ULONG>(offsetof(SPropProblemArray, aProblem) + problems.size() * sizeof(SPropProblem));
    if (MAPIAllocateBuffer(size, &p) != S_OK)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    auto* array = static_cast<LPSPropProblemArray>(p);
    array->cProblem = static_cast<ULONG>(problems.size());
    for (std::size_t i = 0; i < problems.size(); ++i)
        array->aProblem[i] = problems[i];
    *lppProblems = array;
    return S_OK;
}

bool IsSettableType(ULONG type)
{
    switch (type & ~MV_FLAG) {
    case PT_UNSPECIFIED: case PT_NULL: case PT_ERROR: case PT_OBJECT:
        return false;
    default:
        return true;
    }
}

}  // namespace

Message::Message(std::shared_ptr<StoreDb> db, ObjectRow row, PropMap props, bool writable)
    : m_db(std::move(db)), m_row(row), m_props(std::move(props)), m_writable(writable)
{
}

PropMap Message::Current()
{
    PropMap props = m_props;
    props::AddComputed(*m_db, m_row, props);
    return props;
}

HRESULT Message::SaveChanges(ULONG ulFlags)
{
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    const FILETIME now = NowAsFileTime();
    const bool isNew = m_row.id == 0;
    PropMap changed;
    for (ULONG id : m_changed)
        changed[id] = m_props[id];
    // The store keeps the times, as Outlook does; a caller that sets one explicitly in this change
    // (an import, a test seeding an old item) keeps its own value.
    if (isNew && !m_props.count(PROP_ID(PR_CREATION_TIME)))
        changed[PROP_ID(PR_CREATION_TIME)] = MakeTime(now);
    if (!m_changed.count(PROP_ID(PR_LAST_MODIFICATION_TIME)))
        changed[PROP_ID(PR_LAST_MODIFICATION_TIME)] = MakeTime(now);
    if (isNew && !m_props.count(PROP_ID(PR_MESSAGE_FLAGS)))
        changed[PROP_ID(PR_MESSAGE_FLAGS)] = MakeLong(MSGFLAG_READ);
    ObjectId id = m_row.id;
    const HRESULT hr = m_db->SaveMessage(id, m_row.store, m_row.parent, changed, m_deleted);
    if (FAILED(hr))
        return hr;
    m_row.id = id;
    for (auto& [propId, data] : changed)
        m_props[propId] = std::move(data);
    m_changed.clear();
    m_deleted.clear();
    if (!(ulFlags & KEEP_OPEN_READWRITE))
        m_writable = false;  // KEEP_OPEN_READONLY, or no further changes at all
    return S_OK;
}

HRESULT Message::GetProps(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues, LPSPropValue* lppPropArray)
{
    if (!lpPropTagArray)
        return props::GetProps(Current(), lpPropTagArray, ulFlags, lpcValues, lppPropArray);
    // Only the asked-for values are gathered: readers ask for one or a few at a time, and copying
    // the whole message for each would make every read cost as much as the message is big.
    PropMap asked;
    PropMap computed;
    for (ULONG i = 0; i < lpPropTagArray->cValues; ++i) {
        const ULONG id = PROP_ID(lpPropTagArray->aulPropTag[i]);
        if (props::IsComputed(id)) {
            if (computed.empty())
                props::AddComputed(*m_db, m_row, computed);
            if (const auto it = computed.find(id); it != computed.end()) {
                asked[id] = it->second;
                continue;
            }
        }
        if (const auto it = m_props.find(id); it != m_props.end())
            asked[id] = it->second;
    }
    return props::GetProps(asked, lpPropTagArray, ulFlags, lpcValues, lppPropArray);
}

HRESULT Message::GetPropList(ULONG ulFlags, LPSPropTagArray* lppPropTagArray)
{
    return props::GetPropList(Current(), ulFlags, lppPropTagArray);
}

HRESULT Message::SetProps(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems)
{
    if (!lpPropArray && cValues)
        return MAPI_E_INVALID_PARAMETER;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    std::vector<SPropProblem> problems;
    for (ULONG i = 0; i < cValues; ++i) {
        const SPropValue& v = lpPropArray[i];
        const ULONG id = PROP_ID(v.ulPropTag);
        SCODE error = S_OK;
        PropData data;
        if (id == PROP_ID_NULL || id == PROP_ID_INVALID || !IsSettableType(PROP_TYPE(v.ulPropTag))) {
            error = MAPI_E_INVALID_TYPE;
        } else if (props::IsComputed(id)) {
            error = MAPI_E_COMPUTED;
        } else if (id >= MAPI_NAMED_PROP_FIRST) {
            NameKey key;
            if (!m_db->NameFromId(m_row.store, id, key))
                error = MAPI_E_UNEXPECTED_ID;  // a named id that GetIDsFromNames never handed out
        }
        if (error == S_OK && !EncodeProp(v, data, &error)) {
            // error set by EncodeProp
        }
        if (error != S_OK) {
            problems.push_back(SPropProblem{i, v.ulPropTag, error});
            continue;
        }
        m_props[id] = std::move(data);
        m_changed.insert(id);
        m_deleted.erase(id);
    }
    return ReportProblems(problems, lppProblems);
}

HRESULT Message::DeleteProps(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems)
{
    if (!lpPropTagArray)
        return MAPI_E_INVALID_PARAMETER;
    if (!m_writable)
        return MAPI_E_NO_ACCESS;
    std::vector<SPropProblem> problems;
    for (ULONG i = 0; i < lpPropTagArray->cValues; ++i) {
        const ULONG id = PROP_ID(lpPropTagArray->aulPropTag[i]);
        if (props::IsComputed(id)) {
            problems.push_back(SPropProblem{i, lpPropTagArray->aulPropTag[i], MAPI_E_COMPUTED});
            continue;
        }
        if (m_props.erase(id)) {
            m_changed.erase(id);
            m_deleted.insert(id);
        }
    }
    return ReportProblems(problems, lppProblems);
}

HRESULT Message::GetNamesFromIDs(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                                 ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames)
{
    return props::GetNamesFromIDs(*m_db, m_row.store, lppPropTags, lpPropSetGuid, ulFlags, lpcPropNames, lpppPropNames);
}

HRESULT Message::GetIDsFromNames(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                                 LPSPropTagArray* lppPropTags)
{
    return props::GetIDsFromNames(*m_db, m_row.store, cPropNames, lppPropNames, ulFlags, lppPropTags);
}

HRESULT Message::GetAttachmentTable(ULONG ulFlags, LPMAPITABLE* lppTable)
{
    if (!lppTable)
        return MAPI_E_INVALID_PARAMETER;
    // The store keeps no attachments: the table is always empty.
    *lppTable = new Table(m_db, {}, {PR_ATTACH_NUM, PR_INSTANCE_KEY}, (ulFlags & MAPI_UNICODE) != 0,
                          [](ObjectId, const std::vector<ULONG>&, PropMap&) { return false; });
    return S_OK;
}

HRESULT Message::SetReadFlag(ULONG ulFlags)
{
    constexpr ULONG CLEAR_READ_FLAG = 0x00000004;
    LONG flags = 0;
    auto it = m_props.find(PROP_ID(PR_MESSAGE_FLAGS));
    if (it != m_props.end())
        ReadLong(it->second, flags);
    flags = (ulFlags & CLEAR_READ_FLAG) ? (flags & ~static_cast<LONG>(MSGFLAG_READ)) : (flags | MSGFLAG_READ);
    m_props[PROP_ID(PR_MESSAGE_FLAGS)] = MakeLong(flags);
    if (!m_row.id) {
        m_changed.insert(PROP_ID(PR_MESSAGE_FLAGS));
        return S_OK;
    }
    // The read flag is written at once, without SaveChanges, and without touching the times.
    ObjectId id = m_row.id;
    PropMap changed;
    changed[PROP_ID(PR_MESSAGE_FLAGS)] = m_props[PROP_ID(PR_MESSAGE_FLAGS)];
    return m_db->SaveMessage(id, m_row.store, m_row.parent, changed, {});
}

}  // namespace tamo::mapi
