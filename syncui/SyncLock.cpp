#include "syncui/SyncLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QFile>

CSyncLock::Result CSyncLock::TryAcquire(const QString& storePath)
{
    Release();
    const QByteArray path = QFile::encodeName(storePath + QStringLiteral(".sync-lock"));
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return Result::NoFile;
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
