#pragma once

#include <QString>

// Only one synchronisation at a time for an Outlook store: two runs over the same store and
// account would each copy every one-sided item. The lock is an advisory lock on a file beside
// the store, held by an open descriptor, so the system drops it with the process: a run that was
// killed never blocks the next one.
class CSyncLock {
public:
    CSyncLock() = default;
    ~CSyncLock() { Release(); }
    CSyncLock(const CSyncLock&) = delete;
    CSyncLock& operator=(const CSyncLock&) = delete;

    enum class Result { Held, Busy, NoFile };
    // Takes the lock of the store file without waiting. NoFile: the lock file can't be made
    // (no store folder, so no store either: opening the store then fails on its own).
    [[nodiscard]] Result TryAcquire(const QString& storePath);
    void Release();
    bool IsHeld() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};
