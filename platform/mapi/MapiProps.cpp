#include <cstring>

#include "platform/mapi/MapiObjects.h"

namespace tamo::mapi {

namespace {

template <class T>
T* Allocate(std::size_t size)
{
    void* p = nullptr;
    if (MAPIAllocateBuffer(static_cast<ULONG>(size), &p) != S_OK)
        return nullptr;
    return static_cast<T*>(p);
}

}  // namespace

namespace props {

bool IsComputed(ULONG propId)
{
    switch (propId) {
    case PROP_ID(PR_ENTRYID):
    case PROP_ID(PR_PARENT_ENTRYID):
    case PROP_ID(PR_STORE_ENTRYID):
    case PROP_ID(PR_RECORD_KEY):
    case PROP_ID(PR_INSTANCE_KEY):
    case PROP_ID(PR_OBJECT_TYPE):
    case PROP_ID(PR_CONTENT_COUNT):
    case PROP_ID(PR_SUBFOLDERS):
        return true;
    default:
        return false;
    }
}

void AddComputed(StoreDb& db, const ObjectRow& row, PropMap& props)
{
    props[PROP_ID(PR_OBJECT_TYPE)] = MakeLong(static_cast<LONG>(row.type));
    props[PROP_ID(PR_STORE_ENTRYID)] = MakeBinary(db.EntryId(row.store));
    if (row.type != MAPI_STORE && row.parent && row.parent != row.store)
        props[PROP_ID(PR_PARENT_ENTRYID)] = MakeBinary(db.EntryId(row.parent));
    if (row.id) {
        props[PROP_ID(PR_ENTRYID)] = MakeBinary(db.EntryId(row.id));
        props[PROP_ID(PR_RECORD_KEY)] = MakeBinary(db.EntryId(row.id));
        props[PROP_ID(PR_INSTANCE_KEY)] = MakeBinary(db.EntryId(row.id));
    }
    if (row.type == MAPI_FOLDER) {
        props[PROP_ID(PR_CONTENT_COUNT)] = MakeLong(static_cast<LONG>(db.CountChildren(row.id, MAPI_MESSAGE)));
        props[PROP_ID(PR_SUBFOLDERS)] = MakeBool(db.CountChildren(row.id, MAPI_FOLDER) > 0);
    }
}

HRESULT GetProps(const PropMap& props, LPSPropTagArray tags, ULONG flags, ULONG* count, LPSPropValue* out)
{
    if (!count || !out)
        return MAPI_E_INVALID_PARAMETER;
    *count = 0;
    *out = nullptr;
    const bool unicode = (flags & MAPI_UNICODE) != 0;
    std::vector<ULONG> wanted;
    if (tags) {
        wanted.assign(tags->aulPropTag, tags->aulPropTag + tags->cValues);
    } else {
        for (const auto& [id, data] : props)
            wanted.push_back(PROP_TAG(PT_UNSPECIFIED, id));
    }
    auto* values = Allocate<SPropValue>(sizeof(SPropValue) * (wanted.empty() ? 1 : wanted.size()));
    if (!values)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    bool errors = false;
    for (std::size_t i = 0; i < wanted.size(); ++i) {
        const ULONG tag = wanted[i];
        auto it = props.find(PROP_ID(tag));
        if (it == props.end() || !DecodeProp(tag, unicode, it->second, values[i], values)) {
            ErrorProp(tag, MAPI_E_NOT_FOUND, values[i]);
            errors = true;
        }
    }
    *count = static_cast<ULONG>(wanted.size());
    *out = values;
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT GetPropList(const PropMap& props, ULONG flags, LPSPropTagArray* out)
{
    if (!out)
        return MAPI_E_INVALID_PARAMETER;
    auto* tags = Allocate<SPropTagArray>(CbNewSPropTagArray(props.size() + 1));
    if (!tags)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    tags->cValues = 0;
    for (const auto& [id, data] : props) {
        ULONG type = data.type;
        if ((type & ~MV_FLAG) == PT_UNICODE && !(flags & MAPI_UNICODE))
            type = PT_STRING8 | (type & MV_FLAG);
        tags->aulPropTag[tags->cValues++] = PROP_TAG(type, id);
    }
    *out = tags;
    return S_OK;
}

HRESULT GetIDsFromNames(StoreDb& db, ObjectId store, ULONG cNames, LPMAPINAMEID* names, ULONG flags,
                        LPSPropTagArray* out)
{
    if (!out || !cNames || !names)
        return MAPI_E_INVALID_PARAMETER;
    std::vector<NameKey> keys(cNames);
    for (ULONG i = 0; i < cNames; ++i) {
        const MAPINAMEID* n = names[i];
        if (!n || !n->lpguid || (n->ulKind != MNID_ID && n->ulKind != MNID_STRING) ||
            (n->ulKind == MNID_STRING && !n->Kind.lpwstrName))
            return MAPI_E_INVALID_PARAMETER;
        keys[i].guid = *n->lpguid;
        keys[i].kind = n->ulKind;
        if (n->ulKind == MNID_ID)
            keys[i].lid = n->Kind.lID;
        else
            keys[i].name = n->Kind.lpwstrName;
    }
    std::vector<ULONG> ids;
    const HRESULT hr = db.IdsFromNames(store, keys, (flags & MAPI_CREATE) != 0, ids);
    if (FAILED(hr))
        return hr;
    auto* tags = Allocate<SPropTagArray>(CbNewSPropTagArray(cNames));
    if (!tags)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    tags->cValues = cNames;
    bool errors = false;
    for (ULONG i = 0; i < cNames; ++i) {
        tags->aulPropTag[i] = ids[i] ? PROP_TAG(PT_UNSPECIFIED, ids[i]) : PROP_TAG(PT_ERROR, PROP_ID_NULL);
        errors = errors || !ids[i];
    }
    *out = tags;
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT GetNamesFromIDs(StoreDb& db, ObjectId store, LPSPropTagArray* tags, LPGUID guid, ULONG /*flags*/,
                        ULONG* count, LPMAPINAMEID** names)
{
    if (!tags || !count || !names)
        return MAPI_E_INVALID_PARAMETER;
    if (!*tags) {
        // Every mapped name of the store (of one set when guid is given).
        std::vector<ULONG> ids;
        for (ULONG id = MAPI_NAMED_PROP_FIRST; id <= MAPI_NAMED_PROP_LAST; ++id) {
            NameKey key;
            if (!db.NameFromId(store, id, key))
                break;
            if (!guid || key.guid == *guid)
                ids.push_back(id);
        }
        auto* all = Allocate<SPropTagArray>(CbNewSPropTagArray(ids.size() + 1));
        if (!all)
            return MAPI_E_NOT_ENOUGH_MEMORY;
        all->cValues = static_cast<ULONG>(ids.size());
        for (std::size_t i = 0; i < ids.size(); ++i)
            all->aulPropTag[i] = PROP_TAG(PT_UNSPECIFIED, ids[i]);
        *tags = all;
    }
    const ULONG n = (*tags)->cValues;
    auto* list = Allocate<LPMAPINAMEID>(sizeof(LPMAPINAMEID) * (n ? n : 1));
    if (!list)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    bool errors = false;
    for (ULONG i = 0; i < n; ++i) {
        list[i] = nullptr;
        NameKey key;
        if (!db.NameFromId(store, PROP_ID((*tags)->aulPropTag[i]), key)) {
            errors = true;
            continue;
        }
        void* p = nullptr;
        MAPIAllocateMore(sizeof(MAPINAMEID) + sizeof(GUID), list, &p);
        auto* name = static_cast<MAPINAMEID*>(p);
        name->lpguid = reinterpret_cast<LPGUID>(name + 1);
        *name->lpguid = key.guid;
        name->ulKind = key.kind;
        if (key.kind == MNID_ID) {
            name->Kind.lID = key.lid;
        } else {
            void* s = nullptr;
            MAPIAllocateMore(static_cast<ULONG>((key.name.size() + 1) * sizeof(WCHAR)), list, &s);
            std::memcpy(s, key.name.c_str(), (key.name.size() + 1) * sizeof(WCHAR));
            name->Kind.lpwstrName = static_cast<LPWSTR>(s);
        }
        list[i] = name;
    }
    *count = n;
    *names = list;
    return errors ? MAPI_W_ERRORS_RETURNED : S_OK;
}

HRESULT CopyEntryId(const std::string& eid, ULONG* cb, LPENTRYID* out)
{
    if (!cb || !out)
        return MAPI_E_INVALID_PARAMETER;
    auto* p = Allocate<BYTE>(eid.size());
    if (!p)
        return MAPI_E_NOT_ENOUGH_MEMORY;
    std::memcpy(p, eid.data(), eid.size());
    *cb = static_cast<ULONG>(eid.size());
    *out = reinterpret_cast<LPENTRYID>(p);
    return S_OK;
}

}  // namespace props

HRESULT OpenObject(const std::shared_ptr<StoreDb>& db, std::optional<ObjectId> storeScope, ULONG cbEntryID,
                   LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags, ULONG* lpulObjType, LPUNKNOWN* lppUnk)
{
    if (!lpulObjType || !lppUnk)
        return MAPI_E_INVALID_PARAMETER;
    *lppUnk = nullptr;
    std::optional<ObjectRow> row;
    if (!lpEntryID || !cbEntryID) {
        if (!storeScope)
            return MAPI_E_INVALID_ENTRYID;
        for (ObjectId child : db->Children(*storeScope, MAPI_FOLDER)) {
            row = db->Object(child);
            break;
        }
        if (!row)
            return MAPI_E_NOT_FOUND;
    } else {
        const auto id = db->ObjectFromEntryId(lpEntryID, cbEntryID);
        if (!id)
            return MAPI_E_INVALID_ENTRYID;
        row = db->Object(*id);
        if (!row || (storeScope && row->store != *storeScope))
            return MAPI_E_NOT_FOUND;
    }
    const bool writable = (ulFlags & (MAPI_MODIFY | MAPI_BEST_ACCESS)) != 0;
    IUnknown* object = nullptr;
    switch (row->type) {
    case MAPI_STORE:
        object = static_cast<IMsgStore*>(new MsgStore(db, row->id, writable));
        break;
    case MAPI_FOLDER:
        object = static_cast<IMAPIFolder*>(new Folder(db, *row, writable));
        break;
    case MAPI_MESSAGE: {
        PropMap props;
        if (!db->LoadProps(row->id, props))
            return MAPI_E_CORRUPT_DATA;
        object = static_cast<IMessage*>(new Message(db, *row, std::move(props), writable));
        break;
    }
    default:
        return MAPI_E_CORRUPT_DATA;
    }
    if (lpInterface) {
        void* asked = nullptr;
        const HRESULT hr = object->QueryInterface(*lpInterface, &asked);
        object->Release();
        if (FAILED(hr))
            return hr;
        object = static_cast<IUnknown*>(asked);
    }
    *lpulObjType = row->type;
    *lppUnk = object;
    return S_OK;
}

}  // namespace tamo::mapi
