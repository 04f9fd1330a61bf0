#include "syncui/SyncLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>

#include "platform/PrivateFiles.h"

CSyncLock::Result CSyncLock::TryAcquire(const QString& storePath)
{
    Release();
    const QString lockPath = storePath + QStringLiteral(".sync-lock");
    const int fd = ::open(QFile::encodeName(lockPath).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Result::NoFile;
    // Private like the store beside it, also when an older build left it open to others.
    platform::MakePrivateFile(lockPath);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return Result::Busy;
    }
    m_fd = fd;
    return Result::Held;
}

void CSyncLock::Release()
{
    if (m_fd < 0)
        return;
    // Closing the descriptor drops the lock; the file stays for the next run.
    ::close(m_fd);
    m_fd = -1;
}
