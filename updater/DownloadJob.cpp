#include "updater/DownloadJob.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QFile>

#include "base/HttpClient.h"

namespace {

constexpr DWORD kPieceSize = 1024;

// Writes the whole piece, retrying interrupted and partial writes.
bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

}  // namespace

void CDownloadJob::Setup(const QString& strUrl, const QString& strLocalFile, const QByteArray& expectedSha256)
{
    std::lock_guard lock(m_lock);
    m_strUpdateUrl = strUrl;
    m_strLocalFile = strLocalFile;
    m_expectedSha256 = expectedSha256.toLower();
    m_nState = STATE_READY;
    m_nTotal = 0;
    m_nReceived = 0;
    m_bDigestMismatch = false;
    m_bCancel.store(false);
}

CDownloadJob::SProgress CDownloadJob::GetProgress() const
{
    std::lock_guard lock(m_lock);
    return {m_nState, m_nTotal, m_nReceived};
}

bool CDownloadJob::DigestMismatch() const
{
    std::lock_guard lock(m_lock);
    return m_bDigestMismatch;
}

void CDownloadJob::SetState(int nState)
{
    std::lock_guard lock(m_lock);
    m_nState = nState;
}

void CDownloadJob::Run()
{
    SetState(Download());
}

int CDownloadJob::Download()
{
    CHttpClient client;
    if (!client.Open(QStringLiteral("GET"), m_strUpdateUrl))
        return STATE_FAILED;
    if (IsCancelled())
        return STATE_CANCELLED;
    if (!client.Send(QString(), 0, nullptr, 0) || client.GetStatusCode() != 200)
        return STATE_FAILED;
    if (IsCancelled())
        return STATE_CANCELLED;

    // Always a new file, never one that is already there (nor a link planted in its place).
    const QByteArray path = QFile::encodeName(m_strLocalFile);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return STATE_FAILED;
    const std::uint32_t nTotal = client.GetContentLength();
    {
        std::lock_guard lock(m_lock);
        m_nTotal = nTotal;
        m_nState = STATE_DOWNLOADING;
    }

    QCryptographicHash hash(QCryptographicHash::Sha256);
    std::uint64_t nWritten = 0;
    char piece[kPieceSize];
    for (;;) {
        const int n = client.Read(piece, kPieceSize);
        if (n >= 0 && IsCancelled()) {
            ::close(fd);
            return STATE_CANCELLED;
        }
        if (n < 0) {
            ::close(fd);
            return STATE_FAILED;
        }
        if (n == 0)
            break;
        if (!WriteAll(fd, piece, size_t(n))) {
            ::close(fd);
            return STATE_FAILED;
        }
        hash.addData(QByteArrayView(piece, n));
        nWritten += std::uint64_t(n);
        std::lock_guard lock(m_lock);
        m_nReceived += std::uint32_t(n);
    }
    if (::close(fd) != 0)
        return STATE_FAILED;

    // A body that ends before its announced length is a broken download, not a finished one.
    if (nTotal != 0 && nWritten != nTotal)
        return STATE_FAILED;
    // A file that is not the one the version document names is never run.
    if (!m_expectedSha256.isEmpty() && hash.result().toHex() != m_expectedSha256) {
        QFile::remove(m_strLocalFile);
        std::lock_guard lock(m_lock);
        m_bDigestMismatch = true;
        return STATE_FAILED;
    }
    return STATE_DONE;
}
