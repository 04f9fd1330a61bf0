#include "platform/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QStringList>
#include <QtGlobal>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace platform {

#if defined(Q_OS_UNIX)

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr mode_t kFileMode = 0600;

bool IsAtOrBelow(const QString& path, const QString& root)
{
    return !root.isEmpty() && (path == root || path.startsWith(root + QLatin1Char('/')));
}

// An exact mode, whatever the umask took away when the object was made.
bool SetMode(const QByteArray& path, mode_t mode)
{
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return false;
    return (st.st_mode & 0777) == mode || ::chmod(path.constData(), mode) == 0;
}

}  // namespace

bool MakePrivateFolder(const QString& folder, const QString& ownedRoot, IfMissing missing)
{
    if (folder.isEmpty())
        return false;
    const QString target = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const QString owned = ownedRoot.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(ownedRoot).absoluteFilePath());
    bool ok = true;
    QString path;
    const QStringList parts = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        path += QLatin1Char('/') + part;
        const QByteArray name = QFile::encodeName(path);
        struct stat st {};
        if (::stat(name.constData(), &st) != 0) {
            if (errno != ENOENT)
                return false;
            if (missing == IfMissing::Skip)
                return ok;
            if (::mkdir(name.constData(), kFolderMode) == 0) {
                ok = ::chmod(name.constData(), kFolderMode) == 0 && ok;
                continue;
            }
            if (errno != EEXIST || ::stat(name.constData(), &st) != 0)
                return false;
            // Made by someone else meanwhile: treated as one that was there.
        }
        if (!S_ISDIR(st.st_mode))
            return false;
        if (IsAtOrBelow(path, owned) && (st.st_mode & 0777) != kFolderMode)
            ok = ::chmod(name.constData(), kFolderMode) == 0 && ok;
    }
    return ok;
}

bool MakePrivateFile(const QString& file, IfMissing missing)
{
    const QByteArray name = QFile::encodeName(file);
    struct stat st {};
    if (::stat(name.constData(), &st) == 0)
        return S_ISREG(st.st_mode) && SetMode(name, kFileMode);
    if (errno != ENOENT)
        return false;
    if (missing == IfMissing::Skip)
        return true;
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
    if (fd < 0)
        return errno == EEXIST && SetMode(name, kFileMode);
    const bool ok = ::fchmod(fd, kFileMode) == 0;
    ::close(fd);
    return ok;
}

bool MakePrivateFile(QFileDevice& file)
{
    return file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

#else

// Per-user folders are private to their user here already; only what is missing gets made.
bool MakePrivateFolder(const QString& folder, const QString& /*ownedRoot*/, IfMissing missing)
{
    return missing == IfMissing::Skip || QDir().mkpath(folder);
}

bool MakePrivateFile(const QString& file, IfMissing missing)
{
    if (missing == IfMissing::Skip || QFileInfo::exists(file))
        return true;
    QFile created(file);
    return created.open(QIODevice::WriteOnly | QIODevice::Append);
}

bool MakePrivateFile(QFileDevice& /*file*/) { return true; }

#endif

}  // namespace platform
