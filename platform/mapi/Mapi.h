#pragma once

// The entry points of Extended MAPI that the system calls. Include this one header.

#include "platform/mapi/MapiDefs.h"
#include "platform/mapi/MapiInterfaces.h"

#if defined(TAMOMAPI_LIBRARY)
#define TAMOMAPI_API __attribute__((visibility("default")))
#else
#define TAMOMAPI_API
#endif

extern "C" {

// Counts initialisations; every MAPIInitialize wants one MAPIUninitialize.
TAMOMAPI_API HRESULT MAPIInitialize(LPVOID lpMapiInit);
TAMOMAPI_API void MAPIUninitialize();

// Opens the default profile: the store file named by TAMO_MAPI_STORE, else
// $XDG_DATA_HOME/Tamo/Outlook/default.sqlite. A missing or unreadable file is MAPI_E_LOGON_FAILED;
// a call before MAPIInitialize is MAPI_E_NOT_INITIALIZED. Profile names and passwords are ignored.
TAMOMAPI_API HRESULT MAPILogonEx(ULONG_PTR ulUIParam, LPTSTR lpszProfileName, LPTSTR lpszPassword,
                                 ULONG ulFlags, LPMAPISESSION* lppSession);

// One allocation with any number of linked ones (MAPIAllocateMore) freed together.
TAMOMAPI_API SCODE MAPIAllocateBuffer(ULONG cbSize, LPVOID* lppBuffer);
TAMOMAPI_API SCODE MAPIAllocateMore(ULONG cbSize, LPVOID lpObject, LPVOID* lppBuffer);
TAMOMAPI_API ULONG MAPIFreeBuffer(LPVOID lpBuffer);

// Frees a row set from QueryRows: each row's properties, then the set.
TAMOMAPI_API void FreeProws(LPSRowSet lpRows);
}
