#pragma once

// Creating a store file: what a profile set-up does for a real store. Tests and tamo-store use it;
// the engine only logs on.

#include <QString>

#include "platform/mapi/Mapi.h"

namespace tamo::mapi {

struct StoreFileOptions {
    QString displayName = QStringLiteral("Personal Folders");
    // Lists a second, non-default store ("Public Folders") before the default one in the
    // session's message-store table, as profiles with more than one store do.
    bool withPublicFolders = false;
};

// The file MAPILogonEx opens: $TAMO_MAPI_STORE, else $XDG_DATA_HOME/Tamo/Outlook/default.sqlite.
TAMOMAPI_API QString DefaultStorePath();

// Creates the file (and its folder) with a default store: the IPM subtree holding Inbox, Calendar,
// Tasks, Contacts and Deleted Items; the Inbox is the receive folder of every class and carries
// PR_IPM_APPOINTMENT_ENTRYID, PR_IPM_TASK_ENTRYID and PR_IPM_CONTACT_ENTRYID.
// False when the file already exists or cannot be written.
[[nodiscard]] TAMOMAPI_API bool CreateStoreFile(const QString& path, const StoreFileOptions& options = {},
                                                QString* error = nullptr);

// Testing aid: the next SaveChanges in this process fails after writing this many properties,
// as a crash in the middle of a save would; negative switches it off.
TAMOMAPI_API void FailNextSaveAfterForTesting(int writes);

}  // namespace tamo::mapi
