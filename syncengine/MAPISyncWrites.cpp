// Announcing the side writes of a run to its journal or plan.
#include <QJsonDocument>
#include <QJsonObject>

#include "syncengine/MAPISync.h"
#include "syncengine/SyncItem.h"
#include "syncengine/TestCheckpoint.h"

QString SyncItemValues(const CSyncItem* item)
{
    if (!item)
        return QString();
    QJsonObject values;
    for (const QString& key : item->Keys()) {
        const QString value = item->Value(key);
        if (!value.isEmpty())
            values.insert(key, value);
    }
    for (const char* key : {"ACTION", "TRIGGER"}) {
        const QString value = item->AlarmValue(QString::fromLatin1(key));
        if (!value.isEmpty())
            values.insert(QStringLiteral("ALARM-") + QLatin1String(key), value);
    }
    return QString::fromUtf8(QJsonDocument(values).toJson(QJsonDocument::Compact));
}

bool CMAPISync::BeginWrite(SyncSide side, bool bTodo, SyncAction action, const QString& strUID,
                           const QString& strEntryID, const QString& strRecord, const CSyncItem* pBefore,
                           const CSyncItem* pSource)
{
    if (!m_pWrites)
        return true;
    SSyncWrite write;
    write.side = side;
    write.todo = bTodo;
    write.action = action;
    write.uid = strUID;
    write.entryId = strEntryID;
    write.record = strRecord;
    if (pSource || pBefore)
        write.summary = (pSource ? pSource : pBefore)->Value(u"SUMMARY");
    write.before = SyncItemValues(pBefore);
    write.after = SyncItemValues(pSource);
    return m_pWrites->BeginWrite(write);
}

void CMAPISync::EndWrite(bool ok, const QString& strEntryID, const QString& strUID)
{
    if (m_pWrites)
        m_pWrites->EndWrite(ok, strEntryID, strUID);
}

int CMAPISync::MoveToDeletedItems(bool bTodo, const QString& strUID, const QByteArray& entry, const CSyncItem* pBefore)
{
    return MoveBetweenFolders(bTodo, strUID, entry, pBefore, false);
}

int CMAPISync::RestoreFromDeletedItems(bool bTodo, const QString& strUID, const QByteArray& entry, const CSyncItem* pAfter)
{
    return MoveBetweenFolders(bTodo, strUID, entry, pAfter, true);
}

int CMAPISync::MoveBetweenFolders(bool bTodo, const QString& strUID, const QByteArray& entry, const CSyncItem* pItem,
                                  bool bRestore)
{
    if (entry.isEmpty() || !m_outlook.m_pMsgStore)
        return -1;
    const QString hex = QString::fromLatin1(entry.toHex().toUpper());
    if (!BeginWrite(SyncSide::Outlook, bTodo, bRestore ? SyncAction::Create : SyncAction::Delete, strUID, hex, QString(),
                    bRestore ? nullptr : pItem, bRestore ? pItem : nullptr))
        return 1;
    int result = -1;
    IMAPIFolder* home = m_outlook.OpenSpecialFolder(bTodo ? PR_IPM_TASK_ENTRYID : PR_IPM_APPOINTMENT_ENTRYID);
    SizedSPropTagArray(1, tags) = {1, {PR_IPM_WASTEBASKET_ENTRYID}};
    ULONG count = 0;
    LPSPropValue raw = nullptr;
    const HRESULT hr = m_outlook.m_pMsgStore->GetProps(reinterpret_cast<LPSPropTagArray>(&tags), 0, &count, &raw);
    MapiBuffer<SPropValue> waste(raw);
    IUnknown* unknown = nullptr;
    ULONG type = 0;
    if (home && hr == S_OK && count == 1 && PROP_TYPE(waste->ulPropTag) == PT_BINARY &&
        SUCCEEDED(m_outlook.m_pMsgStore->OpenEntry(waste->Value.bin.cb,
                                                   reinterpret_cast<LPENTRYID>(waste->Value.bin.lpb), nullptr,
                                                   MAPI_MODIFY, &type, &unknown))) {
        if (type == MAPI_FOLDER) {
            auto* deleted = static_cast<IMAPIFolder*>(unknown);
            SBinary bin{ULONG(entry.size()), reinterpret_cast<LPBYTE>(const_cast<char*>(entry.constData()))};
            ENTRYLIST list{1, &bin};
            IMAPIFolder* from = bRestore ? deleted : home;
            IMAPIFolder* to = bRestore ? home : deleted;
            if (SUCCEEDED(from->CopyMessages(&list, nullptr, to, 0, nullptr, MESSAGE_MOVE)))
                result = 1;
        }
        unknown->Release();
    }
    if (!bRestore)
        testcheckpoint::Reached(bTodo ? "todo.outlook.delete" : "event.outlook.delete");
    EndWrite(result == 1);
    return result;
}
