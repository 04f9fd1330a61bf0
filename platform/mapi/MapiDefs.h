#pragma once

// The value types, result codes, flags and property tags of Extended MAPI that callers of this
// store use, with MAPI's own names and layouts (32-bit ULONG, 16-bit wide characters).

#include <cstddef>
#include <cstdint>

#include "platform/WinTypes.h"  // DWORD, FILETIME, SYSTEMTIME

using ULONG = std::uint32_t;
using LONG = std::int32_t;
using ULONG_PTR = std::uintptr_t;
using HRESULT = std::int32_t;
using SCODE = std::int32_t;
using BOOL = int;
using BYTE = std::uint8_t;
using LPBYTE = BYTE*;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LPVOID = void*;
// MAPI's wide strings are UTF-16 on every platform.
using WCHAR = char16_t;
using LPWSTR = WCHAR*;
using LPCWSTR = const WCHAR*;
using LPSTR = char*;
using LPCSTR = const char*;
// The engine is an ANSI build: LPTSTR arguments are narrow unless MAPI_UNICODE says otherwise.
using TCHAR = char;
using LPTSTR = TCHAR*;
using BOOKMARK = ULONG;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};
using IID = GUID;
using LPGUID = GUID*;
using LPIID = IID*;
using LPCIID = const IID*;
using REFIID = const IID&;

inline bool operator==(const GUID& a, const GUID& b)
{
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}

using LPFILETIME = FILETIME*;

union LARGE_INTEGER {
    struct {
        DWORD LowPart;
        LONG HighPart;
    } u;
    std::int64_t QuadPart;
};

union CURRENCY {
    struct {
        ULONG Lo;
        LONG Hi;
    } s;
    std::int64_t int64;
};

// ---- results -----------------------------------------------------------------------------------

#define SUCCEEDED(hr) (static_cast<HRESULT>(hr) >= 0)
#define FAILED(hr) (static_cast<HRESULT>(hr) < 0)
#define HR_SUCCEEDED(hr) SUCCEEDED(hr)
#define HR_FAILED(hr) FAILED(hr)

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT E_ACCESSDENIED = static_cast<HRESULT>(0x80070005);

constexpr HRESULT MAPI_E_CALL_FAILED = E_FAIL;
constexpr HRESULT MAPI_E_NOT_ENOUGH_MEMORY = E_OUTOFMEMORY;
constexpr HRESULT MAPI_E_INVALID_PARAMETER = E_INVALIDARG;
constexpr HRESULT MAPI_E_INTERFACE_NOT_SUPPORTED = E_NOINTERFACE;
constexpr HRESULT MAPI_E_NO_ACCESS = E_ACCESSDENIED;
constexpr HRESULT MAPI_E_NO_SUPPORT = static_cast<HRESULT>(0x80040102);
constexpr HRESULT MAPI_E_BAD_CHARWIDTH = static_cast<HRESULT>(0x80040103);
constexpr HRESULT MAPI_E_UNKNOWN_FLAGS = static_cast<HRESULT>(0x80040106);
constexpr HRESULT MAPI_E_INVALID_ENTRYID = static_cast<HRESULT>(0x80040107);
constexpr HRESULT MAPI_E_INVALID_OBJECT = static_cast<HRESULT>(0x80040108);
constexpr HRESULT MAPI_E_OBJECT_DELETED = static_cast<HRESULT>(0x8004010A);
constexpr HRESULT MAPI_E_BUSY = static_cast<HRESULT>(0x8004010B);
constexpr HRESULT MAPI_E_NOT_ENOUGH_DISK = static_cast<HRESULT>(0x8004010D);
constexpr HRESULT MAPI_E_NOT_FOUND = static_cast<HRESULT>(0x8004010F);
constexpr HRESULT MAPI_E_LOGON_FAILED = static_cast<HRESULT>(0x80040111);
constexpr HRESULT MAPI_E_DISK_ERROR = static_cast<HRESULT>(0x80040116);
constexpr HRESULT MAPI_E_COMPUTED = static_cast<HRESULT>(0x8004011A);
constexpr HRESULT MAPI_E_CORRUPT_DATA = static_cast<HRESULT>(0x8004011B);
constexpr HRESULT MAPI_E_INVALID_TYPE = static_cast<HRESULT>(0x80040302);
constexpr HRESULT MAPI_E_TOO_BIG = static_cast<HRESULT>(0x80040305);
constexpr HRESULT MAPI_E_NOT_INITIALIZED = static_cast<HRESULT>(0x80040605);
constexpr HRESULT MAPI_W_ERRORS_RETURNED = static_cast<HRESULT>(0x00040380);

// ---- flags -------------------------------------------------------------------------------------

constexpr ULONG MAPI_INIT_VERSION = 0;
constexpr ULONG MAPI_MULTITHREAD_NOTIFICATIONS = 0x00000001;

constexpr ULONG MAPI_LOGON_UI = 0x00000001;
constexpr ULONG MAPI_NEW_SESSION = 0x00000002;
constexpr ULONG MAPI_EXTENDED = 0x00000020;
constexpr ULONG MAPI_USE_DEFAULT = 0x00000040;

constexpr ULONG MAPI_MODIFY = 0x00000001;
constexpr ULONG MAPI_CREATE = 0x00000002;
constexpr ULONG MAPI_DEFERRED_ERRORS = 0x00000008;
constexpr ULONG MAPI_BEST_ACCESS = 0x00000010;
constexpr ULONG MAPI_NO_CACHE = 0x00000200;
constexpr ULONG MAPI_UNICODE = 0x80000000;
constexpr ULONG MDB_NO_DIALOG = 0x00000001;
constexpr ULONG MDB_WRITE = 0x00000004;

constexpr ULONG KEEP_OPEN_READONLY = 0x00000001;
constexpr ULONG KEEP_OPEN_READWRITE = 0x00000002;
constexpr ULONG MESSAGE_MOVE = 0x00000001;  // IMAPIFolder::CopyMessages
constexpr ULONG FORCE_SAVE = 0x00000004;

constexpr ULONG TBL_NOADVANCE = 0x00000001;
constexpr BOOKMARK BOOKMARK_BEGINNING = 0;
constexpr BOOKMARK BOOKMARK_CURRENT = 1;
constexpr BOOKMARK BOOKMARK_END = 2;

// Object types answered by OpenEntry.
constexpr ULONG MAPI_STORE = 1;
constexpr ULONG MAPI_FOLDER = 3;
constexpr ULONG MAPI_MESSAGE = 5;

constexpr ULONG MSGFLAG_READ = 0x00000001;
constexpr ULONG MSGFLAG_UNMODIFIED = 0x00000002;
constexpr ULONG MSGFLAG_UNSENT = 0x00000008;

// Notification events.
constexpr ULONG fnevObjectCreated = 0x00000004;
constexpr ULONG fnevObjectDeleted = 0x00000008;
constexpr ULONG fnevObjectModified = 0x00000010;
constexpr ULONG fnevObjectMoved = 0x00000020;

// ---- property tags -----------------------------------------------------------------------------

constexpr ULONG PT_UNSPECIFIED = 0x0000;
constexpr ULONG PT_NULL = 0x0001;
constexpr ULONG PT_I2 = 0x0002;
constexpr ULONG PT_SHORT = PT_I2;
constexpr ULONG PT_LONG = 0x0003;
constexpr ULONG PT_I4 = PT_LONG;
constexpr ULONG PT_R4 = 0x0004;
constexpr ULONG PT_FLOAT = PT_R4;
constexpr ULONG PT_DOUBLE = 0x0005;
constexpr ULONG PT_R8 = PT_DOUBLE;
constexpr ULONG PT_CURRENCY = 0x0006;
constexpr ULONG PT_APPTIME = 0x0007;
constexpr ULONG PT_ERROR = 0x000A;
constexpr ULONG PT_BOOLEAN = 0x000B;
constexpr ULONG PT_OBJECT = 0x000D;
constexpr ULONG PT_I8 = 0x0014;
constexpr ULONG PT_LONGLONG = PT_I8;
constexpr ULONG PT_STRING8 = 0x001E;
constexpr ULONG PT_UNICODE = 0x001F;
constexpr ULONG PT_SYSTIME = 0x0040;
constexpr ULONG PT_CLSID = 0x0048;
constexpr ULONG PT_BINARY = 0x0102;
constexpr ULONG MV_FLAG = 0x1000;
constexpr ULONG PT_MV_I2 = MV_FLAG | PT_I2;
constexpr ULONG PT_MV_LONG = MV_FLAG | PT_LONG;
constexpr ULONG PT_MV_DOUBLE = MV_FLAG | PT_DOUBLE;
constexpr ULONG PT_MV_I8 = MV_FLAG | PT_I8;
constexpr ULONG PT_MV_STRING8 = MV_FLAG | PT_STRING8;
constexpr ULONG PT_MV_UNICODE = MV_FLAG | PT_UNICODE;
constexpr ULONG PT_MV_SYSTIME = MV_FLAG | PT_SYSTIME;
constexpr ULONG PT_MV_CLSID = MV_FLAG | PT_CLSID;
constexpr ULONG PT_MV_BINARY = MV_FLAG | PT_BINARY;

constexpr ULONG PROP_TYPE_MASK = 0x0000FFFF;
constexpr ULONG PROP_TYPE(ULONG tag) { return tag & PROP_TYPE_MASK; }
constexpr ULONG PROP_ID(ULONG tag) { return tag >> 16; }
constexpr ULONG PROP_TAG(ULONG type, ULONG id) { return (id << 16) | type; }
constexpr ULONG CHANGE_PROP_TYPE(ULONG tag, ULONG type) { return (tag & 0xFFFF0000) | type; }
constexpr ULONG PROP_ID_NULL = 0;
constexpr ULONG PROP_ID_INVALID = 0xFFFF;
constexpr ULONG PR_NULL = PROP_TAG(PT_NULL, PROP_ID_NULL);
// Named properties are mapped to ids from here up, per store.
constexpr ULONG MAPI_NAMED_PROP_FIRST = 0x8000;
constexpr ULONG MAPI_NAMED_PROP_LAST = 0xFFFE;

constexpr ULONG PR_IMPORTANCE = 0x00170003;
constexpr ULONG PR_MESSAGE_CLASS_W = 0x001A001F;
constexpr ULONG PR_MESSAGE_CLASS_A = 0x001A001E;
constexpr ULONG PR_SUBJECT_W = 0x0037001F;
constexpr ULONG PR_SUBJECT_A = 0x0037001E;
constexpr ULONG PR_SENDER_NAME_W = 0x0C1A001F;
constexpr ULONG PR_SENDER_EMAIL_ADDRESS_W = 0x0C1F001F;
constexpr ULONG PR_MESSAGE_FLAGS = 0x0E070003;
constexpr ULONG PR_MESSAGE_SIZE = 0x0E080003;
constexpr ULONG PR_PARENT_ENTRYID = 0x0E090102;
constexpr ULONG PR_HASATTACH = 0x0E1B000B;
constexpr ULONG PR_ATTACH_NUM = 0x0E210003;
constexpr ULONG PR_INSTANCE_KEY = 0x0FF60102;
constexpr ULONG PR_RECORD_KEY = 0x0FF90102;
constexpr ULONG PR_STORE_ENTRYID = 0x0FFB0102;
constexpr ULONG PR_OBJECT_TYPE = 0x0FFE0003;
constexpr ULONG PR_ENTRYID = 0x0FFF0102;
constexpr ULONG PR_BODY_W = 0x1000001F;
constexpr ULONG PR_BODY_A = 0x1000001E;
constexpr ULONG PR_DISPLAY_NAME_W = 0x3001001F;
constexpr ULONG PR_DISPLAY_NAME_A = 0x3001001E;
constexpr ULONG PR_CREATION_TIME = 0x30070040;
constexpr ULONG PR_LAST_MODIFICATION_TIME = 0x30080040;
constexpr ULONG PR_RESOURCE_FLAGS = 0x30090003;
constexpr ULONG PR_DEFAULT_STORE = 0x3400000B;
constexpr ULONG PR_STORE_SUPPORT_MASK = 0x340D0003;
constexpr ULONG PR_MDB_PROVIDER = 0x34140102;
constexpr ULONG PR_IPM_SUBTREE_ENTRYID = 0x35E00102;
constexpr ULONG PR_FOLDER_TYPE = 0x36010003;
constexpr ULONG PR_CONTENT_COUNT = 0x36020003;
constexpr ULONG PR_SUBFOLDERS = 0x360A000B;
constexpr ULONG PR_CONTAINER_CLASS_W = 0x3613001F;
constexpr ULONG PR_IPM_APPOINTMENT_ENTRYID = 0x36D00102;
constexpr ULONG PR_IPM_CONTACT_ENTRYID = 0x36D10102;
constexpr ULONG PR_IPM_JOURNAL_ENTRYID = 0x36D20102;
constexpr ULONG PR_IPM_NOTE_ENTRYID = 0x36D30102;
constexpr ULONG PR_IPM_TASK_ENTRYID = 0x36D40102;
constexpr ULONG PR_IPM_WASTEBASKET_ENTRYID = 0x35E30102;  // Deleted Items, on the message store

constexpr ULONG STORE_UNICODE_OK = 0x00040000;
constexpr ULONG STATUS_DEFAULT_STORE = 0x00000001;

// ---- values ------------------------------------------------------------------------------------

struct SBinary {
    ULONG cb;
    LPBYTE lpb;
};
using LPSBinary = SBinary*;

struct SShortArray { ULONG cValues; short* lpi; };
struct SLongArray { ULONG cValues; LONG* lpl; };
struct SDoubleArray { ULONG cValues; double* lpdbl; };
struct SLargeIntegerArray { ULONG cValues; LARGE_INTEGER* lpli; };
struct SLPSTRArray { ULONG cValues; LPSTR* lppszA; };
struct SWStringArray { ULONG cValues; LPWSTR* lppszW; };
struct SBinaryArray { ULONG cValues; SBinary* lpbin; };
using ENTRYLIST = SBinaryArray;
using LPENTRYLIST = ENTRYLIST*;
struct SDateTimeArray { ULONG cValues; FILETIME* lpft; };
struct SGuidArray { ULONG cValues; GUID* lpguid; };

union _PV {
    short int i;
    LONG l;
    ULONG ul;
    float flt;
    double dbl;
    unsigned short int b;
    CURRENCY cur;
    double at;
    FILETIME ft;
    LPSTR lpszA;
    SBinary bin;
    LPWSTR lpszW;
    LPGUID lpguid;
    LARGE_INTEGER li;
    SShortArray MVi;
    SLongArray MVl;
    SDoubleArray MVdbl;
    SLargeIntegerArray MVli;
    SLPSTRArray MVszA;
    SWStringArray MVszW;
    SBinaryArray MVbin;
    SDateTimeArray MVft;
    SGuidArray MVguid;
    SCODE err;
    LONG x;
};

struct SPropValue {
    ULONG ulPropTag;
    ULONG dwAlignPad;
    union _PV Value;
};
using LPSPropValue = SPropValue*;

struct SPropTagArray {
    ULONG cValues;
    ULONG aulPropTag[1];
};
using LPSPropTagArray = SPropTagArray*;

#define CbNewSPropTagArray(_ctag) (offsetof(SPropTagArray, aulPropTag) + (_ctag) * sizeof(ULONG))
#define SizedSPropTagArray(_ctag, _name) \
    struct _SPropTagArray_##_name {      \
        ULONG cValues;                   \
        ULONG aulPropTag[_ctag];         \
    } _name

struct SPropProblem {
    ULONG ulIndex;
    ULONG ulPropTag;
    SCODE scode;
};
struct SPropProblemArray {
    ULONG cProblem;
    SPropProblem aProblem[1];
};
using LPSPropProblemArray = SPropProblemArray*;

struct SRow {
    ULONG ulAdrEntryPad;
    ULONG cValues;
    LPSPropValue lpProps;
};
using LPSRow = SRow*;

struct SRowSet {
    ULONG cRows;
    SRow aRow[1];
};
using LPSRowSet = SRowSet*;
#define CbNewSRowSet(_crow) (offsetof(SRowSet, aRow) + (_crow) * sizeof(SRow))

struct ENTRYID {
    BYTE abFlags[4];
    BYTE ab[1];
};
using LPENTRYID = ENTRYID*;

constexpr ULONG MNID_ID = 0;
constexpr ULONG MNID_STRING = 1;

struct MAPINAMEID {
    LPGUID lpguid;
    ULONG ulKind;
    union {
        LONG lID;
        LPWSTR lpwstrName;
    } Kind;
};
using LPMAPINAMEID = MAPINAMEID*;

struct MAPIINIT_0 {
    ULONG ulVersion;
    ULONG ulFlags;
};

// The published property sets.
inline constexpr GUID PSETID_Appointment = {0x00062002, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Task = {0x00062003, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Address = {0x00062004, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Common = {0x00062008, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID PSETID_Meeting = {0x6ED8DA90, 0x450B, 0x101B, {0x98, 0xDA, 0x00, 0xAA, 0x00, 0x3F, 0x13, 0x05}};
inline constexpr GUID PS_PUBLIC_STRINGS = {0x00020329, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Interface ids.
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPISession = {0x00020300, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPITable = {0x00020301, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPIAdviseSink = {0x00020302, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPIProp = {0x00020303, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMsgStore = {0x00020306, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMessage = {0x00020307, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPIContainer = {0x0002030B, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID IID_IMAPIFolder = {0x0002030C, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
