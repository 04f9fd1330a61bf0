#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include <QByteArray>
#include <QString>

#include "base/Thread.h"

// The download of the update file, run on the window's worker thread. The worker writes the
// state and the byte counts under the lock; the window reads them under the same lock.
class CDownloadJob : public IRunnable {
public:
    enum EState { STATE_READY = 0, STATE_DOWNLOADING = 1, STATE_DONE = 2, STATE_FAILED = 3, STATE_CANCELLED = 4 };

    // The chosen entry's address, the file to create (it must not exist yet) and, when the
    // entry carries one, the SHA-256 digest (hex) the whole file must have.
    void Setup(const QString& strUrl, const QString& strLocalFile, const QByteArray& expectedSha256);

    void Run() override;

    void Cancel() { m_bCancel.store(true); }
    bool IsCancelled() const { return m_bCancel.load(); }

    struct SProgress {
        int nState = STATE_READY;
        std::uint32_t nTotal = 0;     // Content-Length, 0 when the answer had none
        std::uint32_t nReceived = 0;  // bytes written so far
    };
    SProgress GetProgress() const;
    // The file was complete but its digest differed: it was deleted and must not run.
    bool DigestMismatch() const;

    QString GetLocalFile() const { return m_strLocalFile; }

private:
    int Download();
    void SetState(int nState);

    mutable std::mutex m_lock;
    QString m_strUpdateUrl;
    QString m_strLocalFile;
    QByteArray m_expectedSha256;
    std::atomic<bool> m_bCancel{false};
    int m_nState = STATE_READY;
    std::uint32_t m_nTotal = 0;
    std::uint32_t m_nReceived = 0;
    bool m_bDigestMismatch = false;
};
