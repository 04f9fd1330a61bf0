#include "syncengine/MAPIMessage.h"

#include <cstring>

#include "syncengine/MapiPtr.h"

CMAPIMessage::CMAPIMessage() = default;

CMAPIMessage::~CMAPIMessage()
{
    // Closes whatever it holds, owner or not: an attached message is a reference of ours too.
    Close();
}

bool CMAPIMessage::Attach(IMessage* pMessage)
{
    Close();
    if (!pMessage)
        return false;
    pMessage->AddRef();
    m_pMessage = pMessage;
    ReadSummary();
    return true;
}

void CMAPIMessage::Open(CMAPIEx* pOwner, IMessage* pMessage, ULONG ulFlags, const SBinary& entry)
{
    m_pOwner = pOwner;
    m_ulMessageFlags = ulFlags;
    m_pMessage = pMessage;
    m_entry.cb = entry.cb;
    m_entry.lpb = entry.cb ? new BYTE[entry.cb] : nullptr;
    if (entry.cb)
        std::memcpy(m_entry.lpb, entry.lpb, entry.cb);
    ReadSummary();
}

void CMAPIMessage::ReadSummary()
{
    SizedSPropTagArray(3, tags) = {3, {PR_SUBJECT_W, PR_SENDER_NAME_W, PR_SENDER_EMAIL_ADDRESS_W}};
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    if (FAILED(m_pMessage->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), MAPI_UNICODE, &count, &raw)))
        return;
    MapiBuffer<SPropValue> values(raw);
    QString* targets[3] = {&m_strSubject, &m_strSenderName, &m_strSenderEmail};
    for (ULONG i = 0; i < count && i < 3; ++i)
        if (PROP_TYPE(values.get()[i].ulPropTag) == PT_UNICODE && values.get()[i].Value.lpszW)
            *targets[i] = QString::fromUtf16(values.get()[i].Value.lpszW);
}

void CMAPIMessage::Close()
{
    if (m_pAttachTable) {
        m_pAttachTable->Release();
        m_pAttachTable = nullptr;
    }
    if (m_pMessage) {
        m_pMessage->Release();
        m_pMessage = nullptr;
    }
    delete[] m_entry.lpb;
    m_entry = SBinary{0, nullptr};
    m_nAttachments = -1;
    m_pOwner = nullptr;
    m_strText1.clear();
    m_strText2.clear();
}

int CMAPIMessage::GetAttachmentCount()
{
    if (m_nAttachments >= 0)
        return m_nAttachments;
    if (!m_pMessage)
        return 0;
    if (!m_pAttachTable && FAILED(m_pMessage->GetAttachmentTable(0, &m_pAttachTable)))
        return 0;
    ULONG count = 0;
    if (FAILED(m_pAttachTable->GetRowCount(0, &count)))
        return 0;
    m_nAttachments = static_cast<int>(count);
    return m_nAttachments;
}
