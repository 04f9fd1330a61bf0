#pragma once

// The sync engine object: the Outlook session, the item store of one run, and the operations
// the sync user interface drives (results: 1 done, 0 nothing to do or a quiet stop, -1 failure
// already logged, -2 cancelled through CSyncCallback::IsContinue).

#include <memory>
#include <optional>
#include <utility>

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include "platform/WinTypes.h"
#include "platform/mapi/Mapi.h"
#include "syncengine/MAPIEx.h"
#include "syncengine/MAPIMessage.h"
#include "syncengine/SyncCallback.h"
#include "syncengine/SyncParser.h"
#include "syncengine/SyncWrites.h"

class CMAPISync {
public:
    CMAPISync();
    ~CMAPISync();
    // Copies share the item store and hold their own references to the Outlook objects, so a copy
    // may outlive, or be destroyed beside, the object it was copied from.
    CMAPISync(const CMAPISync& other) = default;
    CMAPISync& operator=(const CMAPISync& other) = default;

    // Opens Outlook: session, default store, IPM subtree as the current folder, its hierarchy
    // table, and a fresh item store. 1, or -1 ("Failed to initialize MAPI" for steps up to the
    // store). A second call closes the first session and replaces the item store.
    int InitMapi();
    // Releases every Outlook object (the item store stays); 0.
    int TermMapi();
    // Switches the sync log on when "Sync_log" exists; true when it did.
    bool InitLogOption();
    // "PcKey" of the settings table into m_strPCKey; -1 when it is empty or "null", else 1.
    int GetPCKey();

    // The item store, walked from the service lists.
    unsigned GetParserCount(bool bTodo) const;
    // Throw CSyncParserException for an empty list, a null position, or before InitMapi.
    POSITION GetParserHeadPosition(bool bTodo, bool bUnused = false);
    POSITION GetParserNextPosition(POSITION pos, bool bTodo);
    QString GetParserText(bool bTodo, bool bOutlook) const;
    QString GetParserUID(bool bTodo) const;
    bool IsUID(const QString& strUID, bool bTodo);
    bool IsLastDate(bool bTodo) const;
    // OLE date of a service date-time text; 0 for empty or impossible text. bUnused has no effect.
    static double StringtoDate(const QString& strDate, bool bUnused = false);

    // Writes the service UID (or, when empty, the current service event's) into the global object
    // id of the Calendar message with the entry id in hex. 1, or -1.
    int PutAppointGlobalID(const QString& strEntryID, const QString& strUID);

    // Value formatting and conversion helpers.
    QString GetPropVal(IMessage* pMsg, ULONG ulTag, bool bNamed, int nSet) const;
    static void InterpretProp(const SPropValue* pProp, QString& strText, QString* pstrSecond, ULONG ulTag);
    static void InterpretMVProp(const SPropValue* pProp, ULONG ulIndex, QString& strText, QString* pstrSecond);
    static void GetGUID(ULONG ulNumber, const SPropValue* pProp, QString& strText, QString* pstrSecond);
    static QString BinToHexString(const SBinary* pBin, bool bPrefix);
    static QString BinToTextString(const SBinary* pBin, bool bRaw);
    // Upper-case hex of the bytes into a new array of 2 × count + 1 wide characters (delete[]);
    // null for no bytes.
    static void MyHexFromBin(const BYTE* pData, ULONG cb, WCHAR** ppOut);
    // 1 when the even-length hex text fits (or only its size is asked for), else 0 and the buffer
    // is left alone.
    static int HexStringToBinary(const QString& strHex, BYTE* pBuffer, ULONG* pcbSize);
    static ULONG HexStringToLong(const QString& strHex);
    static QString ReverseHexString(const QString& strHex);
    // Narrow (ANSI) → wide and wide → code page 949; the caller frees the result with free().
    static WCHAR* CharToWChar(const char* pszText);
    static char* WCharToChar(const WCHAR* pszText);
    // Code page 949 bytes of a text, for log lines.
    static QByteArray ToLogText(const QString& strText);
    static void FileTimeToString(const FILETIME* pTime, QString& strText, QString* pstrSecond);
    static void FileTimeToString2(const FILETIME* pTime, QString& strText, QString* pstrSecond);

    // To-dos: the service's to-dos against the Outlook Tasks folder. A to-do from Outlook is known
    // on the service by "%s_%s@" + mail domain of its entry id and the PC key.
    int ReadTodo(bool bWithCompleted, bool bWithSubTodos);
    int SyncTodoInit(CSyncCallback* pCallback);
    int ReadTodoOutlook(CMAPIMessage& message);
    int SyncTodo(CSyncCallback* pCallback);
    int SaveOutlookTodo(IMessage* pMessage, bool bUnused);
    int SaveTamoTodo();
    int ModifyTamoTodo(const QString& strXID);
    int ModifyOutlookTodo(IMessage* pMessage);
    int SyncTodoConflict(const QString& strUID, int nDirection, CSyncCallback* pCallback);
    static ULONG StringtoOlPriority(const QString& strPriority);
    // The identity of an Outlook task with this entry id (hex) under this PC key.
    static QString TodoIdentity(const QString& strEntryID, const QString& strPCKey);
    // Service UID of the to-do each Outlook task was copied from (kept on the task), mapped to
    // the task's identity: finds a copy whose re-key on the service never happened.
    QHash<QString, QString> m_todoOrigins;
    // Entry ids of the tasks read by SyncTodoInit, by identity: a pair is opened directly.
    QHash<QString, QByteArray> m_todoEntryIDs;
    // Pieces of the operations above.
    void WriteTodoFields(IMessage* pMsg, bool bCreate);
    int RekeyTamoTodo(const QString& strXID, const QString& strUID);
    QString TamoTodoBody() const;
    bool OpenTodoMessage(const QString& strUID, CMAPIMessage& message, CSyncCallback* pCallback, int& nResult);

    // Appointments
    // The service's event export of m_lCalendarID from the sync range on, into the service event
    // list. 1, or -1.
    int ReadAppointment();
    // One Outlook appointment as an Outlook event item, appended to the Outlook event list. 1.
    int ReadAppointOutlook(CMAPIMessage& message);
    // The Calendar folder's appointments inside the sync range into the Outlook event list.
    int SyncAppointInit(CSyncCallback* pCallback);
    // Creates on each side what only the other has; -3 when a creation on the service got an
    // answer that could not be used (the pass still goes on).
    int SyncAppointment(CSyncCallback* pCallback);
    // Settles one pair: 0 keep both, 1 the service version wins, 2 the Outlook version wins. A pair
    // that could not be settled (-1) counts as not synchronised.
    int SyncAppointConflict(const QString& strUID, int nDirection, CSyncCallback* pCallback);
    // The settling itself, without the count.
    int SettleAppointPair(const QString& strUID, int nDirection, CSyncCallback* pCallback);
    // Decides the current pair by the last sync times: 1 both changed (the caller asks), else 0.
    int SyncAppointConflictInit(const QString& strUID);
    // True when recorded sync times exist and neither side of the current pair changed since.
    bool IsAppointPairUnchanged() const;
    // The recorded sync times (this PC's, the service's), read from the settings at the first
    // pair of a run and kept for the others: the pairs are settled before the run records new ones.
    const std::pair<QString, QString>& RecordedSyncTimes() const;
    mutable std::optional<std::pair<QString, QString>> m_recordedSyncTimes;
    int SaveOutlookAppoint(IMessage* pMsg, bool bFlag);
    int ModifyOutlookAppoint(IMessage* pMsg);
    // 0 created, -1 failure, -2 the service answered but the answer can't be used. An appointment
    // without a UID first gets a global object id of its own, sent as the event's UID.
    int SaveTamoAppoint();
    int ModifyTamoAppoint(const QString& strXID);
    static ULONG ConvertRecurrenceDateToMinutes(const SYSTEMTIME& st);
    static SYSTEMTIME ConvertRecurrenceMinutesToDate(ULONG ulMinutes);
    // The UID an appointment's global object id carries; empty without one.
    static QString AppointUIDFromGlobalID(const SBinary* pGlobalID);
    // The global object id that carries a UID (a global object id in hex is taken as it is).
    static QByteArray AppointGlobalIDBlob(const QString& identity);
    // A new global object id as Outlook gives an appointment it creates (56 bytes: class id, zero
    // instance date, creation time, reserved, size 16, a random id).
    static QByteArray NewAppointGlobalID();
    // The quoted "uid" of the service's creation answer; empty when missing or cut off.
    static QString UIDFromCreationAnswer(const QString& answer);
    // Writes a global object id into the Calendar message with the entry id in hex; false when
    // it can't be opened or saved.
    bool SetAppointGlobalID(const QString& strEntryID, const QByteArray& blob);
    // Walks the current contents table into m_pAppointIndex; false when cancelled.
    bool BuildAppointIndex(CSyncCallback* pCallback);
    // UID -> entry id of the Calendar folder's first message with it, built once per run.
    std::shared_ptr<QHash<QString, QByteArray>> m_pAppointIndex;

    // Items whose write failed while their pass went on: the run must not count as complete, so
    // that the next one tries them again.
    void NoteUnsynced(const QString& strUID);
    int GetUnsyncedCount() const { return m_nUnsynced; }

    // Where each side write is announced before it is made: the journal of a real run, the plan
    // of a dry run. Null: writes go ahead unrecorded.
    CSyncWriteSink* m_pWrites = nullptr;
    // Announces a write of the pair strUID; false when it must be skipped (a dry run). pBefore is
    // the written side's item (null for a creation), pSource the item whose values are written.
    bool BeginWrite(SyncSide side, bool bTodo, SyncAction action, const QString& strUID, const QString& strEntryID,
                    const QString& strRecord, const CSyncItem* pBefore, const CSyncItem* pSource);
    // Closes the write BeginWrite allowed, with the entry id or UID the write gave the item.
    void EndWrite(bool ok, const QString& strEntryID = QString(), const QString& strUID = QString());
    // UIDs the creation passes leave alone this run (to-dos, events): deletions that stay deleted
    // and deletions the mass-deletion guard holds back.
    QSet<QString> m_heldBack[2];
    bool IsHeldBack(bool bTodo, const QString& strUID) const { return m_heldBack[bTodo ? 0 : 1].contains(strUID); }
    // Moves the Outlook item (binary entry id) of the pair strUID from Tasks or Calendar to Deleted
    // Items, announced as a deletion; 1 moved (or skipped by a dry run), -1 failed.
    int MoveToDeletedItems(bool bTodo, const QString& strUID, const QByteArray& entry, const CSyncItem* pBefore);
    // The way back, announced as a creation.
    int RestoreFromDeletedItems(bool bTodo, const QString& strUID, const QByteArray& entry, const CSyncItem* pAfter);
    int MoveBetweenFolders(bool bTodo, const QString& strUID, const QByteArray& entry, const CSyncItem* pItem,
                           bool bRestore);

    // The item store itself, for the sync passes; null before InitMapi.
    CSyncParser* Parser() const { return m_pParser.get(); }

    // Members, in the order the engine keeps them.
    std::shared_ptr<CSyncParser> m_pParser;
    LONG m_lCalendarID = -1;
    int m_nSyncRangeDays = 0;
    int m_nReserved = 0;
    QString m_strPCKey;
    bool m_bWithCompleted = false;
    int m_nUnsynced = 0;
    CMAPIEx m_outlook;
};

// The library's registration with its host; loading the library registers it once.
struct CSyncEngineExtension {
    const char* name;
};
CSyncEngineExtension* InitSyncEngine();
