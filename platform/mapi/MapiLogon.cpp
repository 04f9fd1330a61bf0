#include <atomic>
#include <mutex>

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/PrivateFiles.h"
#include "platform/mapi/MapiObjects.h"
#include "platform/mapi/MapiStoreFile.h"

namespace {
std::mutex g_initLock;
int g_initCount = 0;

// The program's own folder of the default store; a store named by TAMO_MAPI_STORE elsewhere
// lives in a folder of the user's choosing, whose mode is left alone.
QString OwnedRoot() { return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Tamo"; }

// The store is the user's mail and calendar: its folder, the file and SQLite's companion files
// are the user's alone. SQLite gives a -wal, -shm or -journal file it creates the main file's
// mode, so a private main file keeps them private; ones left by an older build are set here.
void MakeStorePrivate(const QString& path)
{
    platform::MakePrivateFolder(QFileInfo(path).absolutePath(), OwnedRoot(), platform::IfMissing::Skip);
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        platform::MakePrivateFile(path + QLatin1String(suffix));
}
}  // namespace

extern "C" {

HRESULT MAPIInitialize(LPVOID lpMapiInit)
{
    if (lpMapiInit && static_cast<const MAPIINIT_0*>(lpMapiInit)->ulVersion != MAPI_INIT_VERSION)
        return MAPI_E_INVALID_PARAMETER;
    std::lock_guard lock(g_initLock);
    ++g_initCount;
    return S_OK;
}

void MAPIUninitialize()
{
    std::lock_guard lock(g_initLock);
    if (g_initCount > 0)
        --g_initCount;
}

HRESULT MAPILogonEx(ULONG_PTR /*ulUIParam*/, LPTSTR /*lpszProfileName*/, LPTSTR /*lpszPassword*/, ULONG /*ulFlags*/,
                    LPMAPISESSION* lppSession)
{
    if (!lppSession)
        return MAPI_E_INVALID_PARAMETER;
    *lppSession = nullptr;
    {
        std::lock_guard lock(g_initLock);
        if (g_initCount == 0)
            return MAPI_E_NOT_INITIALIZED;
    }
    const QString path = tamo::mapi::DefaultStorePath();
    if (!QFileInfo(path).isFile())
        return MAPI_E_LOGON_FAILED;
    MakeStorePrivate(path);
    auto db = tamo::mapi::StoreDb::Open(QFile::encodeName(path).toStdString());
    if (!db)
        return MAPI_E_LOGON_FAILED;
    *lppSession = new tamo::mapi::Session(std::move(db));
    return S_OK;
}
}

namespace tamo::mapi {

QString DefaultStorePath()
{
    const QString configured = qEnvironmentVariable("TAMO_MAPI_STORE");
    if (!configured.isEmpty())
        return configured;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Tamo/Outlook/default.sqlite";
}

bool CreateStoreFile(const QString& path, const StoreFileOptions& options, QString* error)
{
    if (QFileInfo::exists(path)) {
        if (error)
            *error = QStringLiteral("the store file already exists");
        return false;
    }
    platform::MakePrivateFolder(QFileInfo(path).absolutePath(), OwnedRoot());
    // Made empty and private before SQLite opens it, so that the file is never readable by others.
    if (!platform::MakePrivateFile(path, platform::IfMissing::Create)) {
        if (error)
            *error = QStringLiteral("the store file cannot be created");
        return false;
    }
    std::string why;
    const bool ok = StoreDb::Create(QFile::encodeName(path).toStdString(), options, &why);
    if (!ok) {
        QFile::remove(path);
        if (error)
            *error = QString::fromStdString(why);
    }
    return ok;
}

void FailNextSaveAfterForTesting(int writes) { StoreDb::FailNextSaveAfter(writes); }

}  // namespace tamo::mapi
