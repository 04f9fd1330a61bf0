#pragma once

// The MAPI interfaces this store offers, with MAPI's method names, argument lists and reference
// counting. Methods that MAPI has but the store does not offer are left out rather than stubbed.

#include "platform/mapi/MapiDefs.h"

#define STDMETHODCALLTYPE
#define MAPIMETHOD(name) virtual HRESULT STDMETHODCALLTYPE name

struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, LPVOID* ppvObj) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

struct OBJECT_NOTIFICATION {
    ULONG cbEntryID;
    LPENTRYID lpEntryID;
    ULONG ulObjType;
    ULONG cbParentID;
    LPENTRYID lpParentID;
    ULONG cbOldID;
    LPENTRYID lpOldID;
    ULONG cbOldParentID;
    LPENTRYID lpOldParentID;
    LPSPropTagArray lpPropTagArray;
};

struct NOTIFICATION {
    ULONG ulEventType;
    ULONG ulAlignPad;
    union {
        OBJECT_NOTIFICATION obj;
    } info;
};
using LPNOTIFICATION = NOTIFICATION*;

struct IMAPIAdviseSink : IUnknown {
    virtual ULONG OnNotify(ULONG cNotif, LPNOTIFICATION lpNotifications) = 0;
};
using LPMAPIADVISESINK = IMAPIAdviseSink*;

struct IMAPITable : IUnknown {
    MAPIMETHOD(SetColumns)(LPSPropTagArray lpPropTagArray, ULONG ulFlags) = 0;
    MAPIMETHOD(QueryColumns)(ULONG ulFlags, LPSPropTagArray* lpPropTagArray) = 0;
    MAPIMETHOD(GetRowCount)(ULONG ulFlags, ULONG* lpulCount) = 0;
    MAPIMETHOD(SeekRow)(BOOKMARK bkOrigin, LONG lRowCount, LONG* lplRowsSought) = 0;
    MAPIMETHOD(QueryPosition)(ULONG* lpulRow, ULONG* lpulNumerator, ULONG* lpulDenominator) = 0;
    MAPIMETHOD(QueryRows)(LONG lRowCount, ULONG ulFlags, LPSRowSet* lppRows) = 0;
};
using LPMAPITABLE = IMAPITable*;

struct IMAPIProp : IUnknown {
    MAPIMETHOD(SaveChanges)(ULONG ulFlags) = 0;
    MAPIMETHOD(GetProps)(LPSPropTagArray lpPropTagArray, ULONG ulFlags, ULONG* lpcValues,
                         LPSPropValue* lppPropArray) = 0;
    MAPIMETHOD(GetPropList)(ULONG ulFlags, LPSPropTagArray* lppPropTagArray) = 0;
    MAPIMETHOD(SetProps)(ULONG cValues, LPSPropValue lpPropArray, LPSPropProblemArray* lppProblems) = 0;
    MAPIMETHOD(DeleteProps)(LPSPropTagArray lpPropTagArray, LPSPropProblemArray* lppProblems) = 0;
    MAPIMETHOD(GetNamesFromIDs)(LPSPropTagArray* lppPropTags, LPGUID lpPropSetGuid, ULONG ulFlags,
                                ULONG* lpcPropNames, LPMAPINAMEID** lpppPropNames) = 0;
    MAPIMETHOD(GetIDsFromNames)(ULONG cPropNames, LPMAPINAMEID* lppPropNames, ULONG ulFlags,
                                LPSPropTagArray* lppPropTags) = 0;
};
using LPMAPIPROP = IMAPIProp*;

struct IMessage : IMAPIProp {
    MAPIMETHOD(GetAttachmentTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    MAPIMETHOD(SetReadFlag)(ULONG ulFlags) = 0;
};
using LPMESSAGE = IMessage*;

struct IMAPIContainer : IMAPIProp {
    MAPIMETHOD(GetContentsTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    MAPIMETHOD(GetHierarchyTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                          ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
};
using LPMAPICONTAINER = IMAPIContainer*;

// Progress of long folder operations; the store finishes at once and never calls it.
struct IMAPIProgress;
using LPMAPIPROGRESS = IMAPIProgress*;

struct IMAPIFolder : IMAPIContainer {
    MAPIMETHOD(CreateMessage)(LPCIID lpInterface, ULONG ulFlags, LPMESSAGE* lppMessage) = 0;
    // Only MESSAGE_MOVE is offered (a copy answers MAPI_E_NO_SUPPORT): the messages, all of this
    // folder, go to the destination folder of the same store in one transaction.
    MAPIMETHOD(CopyMessages)(LPENTRYLIST lpMsgList, LPCIID lpInterface, LPVOID lpDestFolder, ULONG_PTR ulUIParam,
                             LPMAPIPROGRESS lpProgress, ULONG ulFlags) = 0;
};
using LPMAPIFOLDER = IMAPIFolder*;

struct IMsgStore : IMAPIProp {
    MAPIMETHOD(Advise)(ULONG cbEntryID, LPENTRYID lpEntryID, ULONG ulEventMask, LPMAPIADVISESINK lpAdviseSink,
                       ULONG* lpulConnection) = 0;
    MAPIMETHOD(Unadvise)(ULONG ulConnection) = 0;
    MAPIMETHOD(CompareEntryIDs)(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
    MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                          ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
    MAPIMETHOD(GetReceiveFolder)(LPTSTR lpszMessageClass, ULONG ulFlags, ULONG* lpcbEntryID,
                                 LPENTRYID* lppEntryID, LPTSTR* lppszExplicitClass) = 0;
};
using LPMDB = IMsgStore*;

struct IMAPISession : IUnknown {
    MAPIMETHOD(GetMsgStoresTable)(ULONG ulFlags, LPMAPITABLE* lppTable) = 0;
    MAPIMETHOD(OpenMsgStore)(ULONG_PTR ulUIParam, ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface,
                             ULONG ulFlags, LPMDB* lppMDB) = 0;
    MAPIMETHOD(OpenEntry)(ULONG cbEntryID, LPENTRYID lpEntryID, LPCIID lpInterface, ULONG ulFlags,
                          ULONG* lpulObjType, LPUNKNOWN* lppUnk) = 0;
    MAPIMETHOD(CompareEntryIDs)(ULONG cbEntryID1, LPENTRYID lpEntryID1, ULONG cbEntryID2,
                                LPENTRYID lpEntryID2, ULONG ulFlags, ULONG* lpulResult) = 0;
    MAPIMETHOD(Logoff)(ULONG_PTR ulUIParam, ULONG ulFlags, ULONG ulReserved) = 0;
};
using LPMAPISESSION = IMAPISession*;
