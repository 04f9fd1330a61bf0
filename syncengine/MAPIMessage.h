#pragma once

// One open Outlook message: the IMessage, a copy of its entry id, the flags of its contents row,
// and a few values read when it was opened.

#include <QString>

#include "platform/mapi/Mapi.h"

class CMAPIEx;

class CMAPIMessage {
public:
    CMAPIMessage();
    virtual ~CMAPIMessage();
    CMAPIMessage(const CMAPIMessage&) = delete;
    CMAPIMessage& operator=(const CMAPIMessage&) = delete;

    // Takes a message of the caller's (adding a reference); any earlier one is closed first.
    bool Attach(IMessage* pMessage);
    // Releases the attachment table and the message, frees the entry id copy.
    void Close();

    IMessage* GetMessageW() const { return m_pMessage; }
    const SBinary* GetEntryID() const { return &m_entry; }
    const QString& GetSubject() const { return m_strSubject; }
    const QString& GetSenderName() const { return m_strSenderName; }
    const QString& GetSenderEmail() const { return m_strSenderEmail; }
    // 1 when the read flag of the message flags is clear.
    int IsUnread() const { return (m_ulMessageFlags & MSGFLAG_READ) ? 0 : 1; }
    int GetAttachmentCount();

private:
    friend class CMAPIEx;
    void Open(CMAPIEx* pOwner, IMessage* pMessage, ULONG ulFlags, const SBinary& entry);
    void ReadSummary();

    QString m_strSenderName;
    QString m_strSenderEmail;
    QString m_strSubject;
    QString m_strText1;
    QString m_strText2;
    int m_nAttachments = -1;  // -1 until counted
    CMAPIEx* m_pOwner = nullptr;
    ULONG m_ulMessageFlags = 0;
    SBinary m_entry{0, nullptr};
    ULONG m_dwReserved[2] = {0, 0};
    IMAPITable* m_pAttachTable = nullptr;
    IMessage* m_pMessage = nullptr;
};

// Contact wrappers; the engine opens no contacts, only the accessors exist.
class CMAPIContact {
public:
    virtual ~CMAPIContact() { delete[] m_entry.lpb; }
    const SBinary* GetEntryID() const { return &m_entry; }

private:
    SBinary m_entry{0, nullptr};
};

class CContactAddress {
public:
    virtual ~CContactAddress() = default;
    QString m_strStreet, m_strCity, m_strStateOrProvince, m_strPostalCode, m_strCountry;
};
