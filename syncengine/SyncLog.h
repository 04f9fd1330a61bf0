#pragma once

// The process-wide sync log: one file per day, "<folder>/<base>_YYYYMMDD.log", moved aside as
// "<file>.NNNN" when it reaches its size limit, written line by line under one lock. Lines carry
// narrow text (code page 949; callers convert wide arguments first).

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>

#include <QDateTime>
#include <QString>

namespace synclog {
// Levels; a line is written when its level shares a bit with the mask.
constexpr unsigned kInit = 0x01;
constexpr unsigned kTrace = 0x02;
constexpr unsigned kWarn = 0x04;
constexpr unsigned kAlarm = 0x08;
constexpr unsigned kError = 0x10;
constexpr unsigned kLog = 0x20;
constexpr unsigned kIo = 0x40;
constexpr unsigned kTest = 0x80;
constexpr unsigned kAll = 0xFFFFFFFF;
constexpr std::int64_t kDefaultLimit = 0xA00000;  // 10 MiB
}  // namespace synclog

class CSyncLog {
public:
    using Clock = std::function<QDateTime()>;

    static CSyncLog& Instance();

    // Opens today's file for appending; false (logging stays off) without a base name or when the
    // file can't be opened. The limit is 10 MiB unless a larger one is given.
    bool Start(const QString& folder, const QString& baseName, std::int64_t limit, unsigned mask);
    void Stop();
    bool IsOn() const;

    // printf-style narrow text; messages carry their own "\n".
    void Write(unsigned level, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void WriteV(unsigned level, const char* format, va_list args);

    // The mask a "Sync_log" value asks for: the union of the level names it contains ("INIT",
    // "TRACE", "WARN", "ALARM", "ERROR", "LOG", "IO", "TEST"); the word "ALL" turns on every level.
    static unsigned MaskFromValue(const QString& value);
    // The six-character label of the lowest set bit.
    static const char* Label(unsigned level);

    // The local time source (tests move it across midnight); null restores the system clock.
    void SetClock(Clock clock);
    QString CurrentFile() const;
    int RotationCounter() const;

private:
    CSyncLog() = default;
    QDateTime Now() const;
    QString FileFor(const QDate& day) const;
    bool OpenFor(const QDate& day);

    mutable std::mutex m_lock;
    std::FILE* m_file = nullptr;
    QString m_folder;
    QString m_baseName;
    QString m_fileName;
    QDate m_day;
    std::int64_t m_limit = synclog::kDefaultLimit;
    unsigned m_mask = 0;
    int m_counter = 0;
    Clock m_clock;
};

// Shorthand for the engine's own lines. The arguments are not even formed while the log is off
// (the usual case): some convert texts to the log's code page for every item of a run.
#define SYNCLOG(level, ...)                                          \
    do {                                                             \
        if (CSyncLog::Instance().IsOn())                             \
            CSyncLog::Instance().Write((level), __VA_ARGS__);        \
    } while (0)
