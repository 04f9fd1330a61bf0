#include <atomic>
#include <mutex>

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/mapi/MapiObjects.h"
#include "platform/mapi/MapiStoreFile.h"

namespace {
std::mutex g_initLock;
int g_initCount = 0;
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
    QDir().mkpath(QFileInfo(path).absolutePath());
    std::string why;
    const bool ok = StoreDb::Create(QFile::encodeName(path).toStdString(), options, &why);
    if (!ok && error)
        *error = QString::fromStdString(why);
    return ok;
}

void FailNextSaveAfterForTesting(int writes) { StoreDb::FailNextSaveAfter(writes); }

}  // namespace tamo::mapi
