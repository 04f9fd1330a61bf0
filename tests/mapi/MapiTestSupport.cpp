#include "MapiTestSupport.h"

#include <cstring>
#include <string>

#include <QFileInfo>

#include "platform/mapi/MapiStoreFile.h"

namespace tamo::test {

MapiStoreSession::MapiStoreSession()
{
    const QString path = tamo::mapi::DefaultStorePath();
    if (!QFileInfo::exists(path) && !tamo::mapi::CreateStoreFile(path))
        return;
    MAPIINIT_0 init{MAPI_INIT_VERSION, MAPI_MULTITHREAD_NOTIFICATIONS};
    MAPIInitialize(&init);
    if (FAILED(MAPILogonEx(0, nullptr, nullptr, MAPI_NEW_SESSION | MAPI_EXTENDED | MAPI_USE_DEFAULT, &m_session)))
        return;
    Ref<IMAPITable> table;
    if (FAILED(m_session->GetMsgStoresTable(0, &table)))
        return;
    SizedSPropTagArray(2, cols) = {2, {PR_ENTRYID, PR_DEFAULT_STORE}};
    table->SetColumns(reinterpret_cast<LPSPropTagArray>(&cols), 0);
    for (;;) {
        LPSRowSet rows = nullptr;
        if (FAILED(table->QueryRows(1, 0, &rows)) || rows->cRows == 0) {
            FreeProws(rows);
            return;
        }
        const SPropValue* v = rows->aRow[0].lpProps;
        if (PROP_TYPE(v[1].ulPropTag) == PT_BOOLEAN && v[1].Value.b) {
            m_session->OpenMsgStore(0, v[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(v[0].Value.bin.lpb), nullptr,
                                    MDB_NO_DIALOG | MAPI_BEST_ACCESS, &m_store);
            FreeProws(rows);
            return;
        }
        FreeProws(rows);
    }
}

MapiStoreSession::~MapiStoreSession()
{
    m_store.reset();
    if (m_session)
        m_session->Logoff(0, 0, 0);
    m_session.reset();
    MAPIUninitialize();
}

IMAPIFolder* MapiStoreSession::OpenSpecial(ULONG tag) const
{
    ULONG cb = 0;
    LPENTRYID eid = nullptr;
    if (FAILED(m_store->GetReceiveFolder(nullptr, 0, &cb, &eid, nullptr)))
        return nullptr;
    ULONG type = 0;
    Ref<IUnknown> inbox;
    const HRESULT hr = m_store->OpenEntry(cb, eid, nullptr, MAPI_MODIFY, &type, &inbox);
    MAPIFreeBuffer(eid);
    if (FAILED(hr))
        return nullptr;
    auto* inboxFolder = static_cast<IMAPIFolder*>(static_cast<IUnknown*>(inbox.get()));
    SizedSPropTagArray(1, tags) = {1, {tag}};
    ULONG count = 0;
    Buffer<SPropValue> value;
    if (inboxFolder->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &value) != S_OK)
        return nullptr;
    Ref<IUnknown> folder;
    if (FAILED(m_store->OpenEntry(value[0].Value.bin.cb, reinterpret_cast<LPENTRYID>(value[0].Value.bin.lpb), nullptr,
                                  MAPI_MODIFY, &type, &folder)) || type != MAPI_FOLDER)
        return nullptr;
    IUnknown* raw = folder.p;
    folder.p = nullptr;
    return static_cast<IMAPIFolder*>(raw);
}

ULONG MapiStoreSession::NamedId(IMAPIProp* object, const GUID& set, LONG id) const
{
    GUID guid = set;
    MAPINAMEID name{&guid, MNID_ID, {id}};
    LPMAPINAMEID names[1] = {&name};
    Buffer<SPropTagArray> tags;
    if (object->GetIDsFromNames(1, names, MAPI_CREATE, &tags) != S_OK)
        return 0;
    return PROP_ID(tags->aulPropTag[0]);
}

SPropValue Unicode(ULONG tag, const char16_t* text)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.lpszW = const_cast<LPWSTR>(text);
    return v;
}

SPropValue Long(ULONG tag, LONG value)
{
    SPropValue v{};
    v.ulPropTag = tag;
    v.Value.l = value;
    return v;
}

QString ReadString(IMAPIProp* object, ULONG tag)
{
    SizedSPropTagArray(1, tags) = {1, {tag}};
    ULONG count = 0;
    Buffer<SPropValue> value;
    if (object->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &value) != S_OK)
        return QStringLiteral("<missing>");
    return QString::fromUtf16(value[0].Value.lpszW);
}

SBinary EntryIdOf(IMAPIProp* object, std::string& storage)
{
    SizedSPropTagArray(1, tags) = {1, {PR_ENTRYID}};
    ULONG count = 0;
    Buffer<SPropValue> value;
    storage.clear();
    if (object->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &value) == S_OK)
        storage.assign(reinterpret_cast<const char*>(value[0].Value.bin.lpb), value[0].Value.bin.cb);
    return SBinary{static_cast<ULONG>(storage.size()), reinterpret_cast<LPBYTE>(storage.data())};
}

}  // namespace tamo::test
