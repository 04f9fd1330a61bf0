#pragma once

// A store file with a logged-on session and its default store, for the MAPI tests.

#include <QString>

#include "platform/mapi/Mapi.h"

namespace tamo::test {

// Releases a MAPI object at scope end.
template <class T>
struct Ref {
    T* p = nullptr;
    Ref() = default;
    explicit Ref(T* q) : p(q) {}
    ~Ref() { reset(); }
    Ref(const Ref&) = delete;
    Ref& operator=(const Ref&) = delete;
    void reset(T* q = nullptr)
    {
        if (p)
            p->Release();
        p = q;
    }
    T** operator&() { reset(); return &p; }
    T* operator->() const { return p; }
    T* get() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

// Frees a MAPI buffer at scope end.
template <class T>
struct Buffer {
    T* p = nullptr;
    ~Buffer() { MAPIFreeBuffer(p); }
    T** operator&() { MAPIFreeBuffer(p); p = nullptr; return &p; }
    T* operator->() const { return p; }
    T& operator[](std::size_t i) const { return p[i]; }
};

class MapiStoreSession {
public:
    // Creates the store file at $TAMO_MAPI_STORE (when missing) and logs on.
    MapiStoreSession();
    ~MapiStoreSession();

    IMAPISession* Session() const { return m_session.get(); }
    IMsgStore* Store() const { return m_store.get(); }
    bool Ok() const { return m_store.get() != nullptr; }

    // The folder whose entry id the Inbox keeps under tag (PR_IPM_TASK_ENTRYID, ...), writable.
    IMAPIFolder* OpenSpecial(ULONG tag) const;
    // A named property's id (MAPI_CREATE) on the given object.
    ULONG NamedId(IMAPIProp* object, const GUID& set, LONG id) const;

private:
    Ref<IMAPISession> m_session;
    Ref<IMsgStore> m_store;
};

// Helpers for property values.
SPropValue Unicode(ULONG tag, const char16_t* text);
SPropValue Long(ULONG tag, LONG value);
QString ReadString(IMAPIProp* object, ULONG tag);
SBinary EntryIdOf(IMAPIProp* object, std::string& storage);

}  // namespace tamo::test
