#pragma once

// The engine's Outlook session: the session and default store, one current folder with its
// hierarchy and contents tables, and the named-property helpers. Copies share the Outlook
// objects by reference count, so every copy releases only what it holds.

#include <QString>

#include "platform/WinTypes.h"
#include "platform/mapi/Mapi.h"
#include "syncengine/MapiPtr.h"

class CMAPIMessage;

// Property set selectors of the named-property helpers.
enum PropSetSelector : int {
    PROPSET_APPOINTMENT = 0,  // PSETID_Appointment
    PROPSET_TASK = 1,         // PSETID_Task
    PROPSET_COMMON = 2,       // PSETID_Common
    PROPSET_MEETING = 3,      // PSETID_Meeting
    PROPSET_NONE = -1,        // the id is a plain property tag
};

class CMAPIEx {
public:
    CMAPIEx() = default;
    ~CMAPIEx();
    CMAPIEx(const CMAPIEx& other);
    CMAPIEx& operator=(const CMAPIEx& other);

    IMAPISession* GetSession() const { return m_pSession; }
    IMsgStore* GetMessageStore() const { return m_pMsgStore; }
    IMAPIFolder* GetFolder() const { return m_pFolder; }

    // Opens the folder whose entry id the Inbox keeps under ulTag as the current folder; the
    // folder, or null.
    IMAPIFolder* OpenSpecialFolder(ULONG ulTag);
    // Replaces the contents table with the folder's (null: the current folder), columns
    // PR_MESSAGE_FLAGS and PR_ENTRYID.
    bool GetContents(IMAPIFolder* pFolder = nullptr);
    // Opens the message of the next contents row; false at the end or when it can't be opened.
    bool GetNextMessage(CMAPIMessage& message);
    bool OpenMessage(const SBinary& entryID, ULONG ulMessageFlags, CMAPIMessage& message);

    // Withdraws the advise connection and releases everything, in the order hierarchy table,
    // contents table, folder, store, session (logged off first).
    void Release();

    // The tag of a named property (type given), resolved with MAPI_CREATE on pProp; 0 on failure.
    static ULONG ResolveNamedProp(IMAPIProp* pProp, int nSet, ULONG ulID, ULONG ulType);
    static const GUID* PropSetGuid(int nSet);

    // Setters: resolve (set, id) and SetProps on the message; failures are silent. With
    // PROPSET_NONE the string and long setters take ulID as a plain tag.
    static void SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, const QString& strValue);
    static void SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, LONG lValue);
    static void SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, bool bValue);
    static void SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, const SYSTEMTIME& stValue);
    static void SetNamedProp(IMessage* pMsg, int nSet, ULONG ulID, const BYTE* pData, ULONG cb);

    // One property (named: resolved first; ulTag then carries the type and the named id) read
    // with MAPI_UNICODE; null when it can't be read.
    static MapiBuffer<SPropValue> GetNamedPropValue(IMessage* pMsg, ULONG ulTag, bool bNamed, int nSet);
    // The same formatted by InterpretProp; empty when it can't be read.
    static bool GetNamedProp(IMessage* pMsg, ULONG ulTag, bool bNamed, int nSet, QString& strValue);

    // Members, as the session keeps them.
    IMAPISession* m_pSession = nullptr;
    IMsgStore* m_pMsgStore = nullptr;
    IMAPIFolder* m_pFolder = nullptr;
    IMAPITable* m_pHierarchy = nullptr;
    IMAPITable* m_pItems = nullptr;
    ULONG m_ulConnection = 0;
    ULONG m_ulMDBFlags = 0;

private:
    void CopyFrom(const CMAPIEx& other);
};
