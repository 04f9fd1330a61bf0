#include "syncengine/SyncLog.h"

#include <unistd.h>
#include <sys/syscall.h>

#include <QFile>
#include <QFileInfo>
#include <QTime>

#include "platform/PrivateFiles.h"

CSyncLog& CSyncLog::Instance()
{
    static CSyncLog log;
    return log;
}

QDateTime CSyncLog::Now() const { return m_clock ? m_clock() : QDateTime::currentDateTime(); }

void CSyncLog::SetClock(Clock clock)
{
    std::lock_guard lock(m_lock);
    m_clock = std::move(clock);
}

QString CSyncLog::FileFor(const QDate& day) const
{
    return QStringLiteral("%1/%2_%3.log").arg(m_folder, m_baseName, day.toString(QStringLiteral("yyyyMMdd")));
}

bool CSyncLog::OpenFor(const QDate& day)
{
    m_fileName = FileFor(day);
    m_day = day;
    // Lines name the user's items: the file is made private before the first one goes in.
    platform::MakePrivateFile(m_fileName, platform::IfMissing::Create);
    m_file = std::fopen(QFile::encodeName(m_fileName).constData(), "a");
    if (!m_file)
        return false;
    std::fseek(m_file, 0, SEEK_END);
    return true;
}

bool CSyncLog::Start(const QString& folder, const QString& baseName, std::int64_t limit, unsigned mask)
{
    std::lock_guard lock(m_lock);
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (baseName.isEmpty())
        return false;
    m_folder = folder.isEmpty() ? QStringLiteral(".") : folder;
    m_baseName = baseName;
    m_limit = limit > synclog::kDefaultLimit ? limit : synclog::kDefaultLimit;
    m_mask = mask;
    if (!OpenFor(Now().date()))
        return false;
    m_counter = 0;
    for (int n = 0; n <= 9998; ++n) {
        if (!QFileInfo::exists(QStringLiteral("%1.%2").arg(m_fileName).arg(n, 4, 10, QLatin1Char('0')))) {
            m_counter = n;
            break;
        }
    }
    return true;
}

void CSyncLog::Stop()
{
    std::lock_guard lock(m_lock);
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_mask = 0;
}

bool CSyncLog::IsOn() const
{
    std::lock_guard lock(m_lock);
    return m_file != nullptr;
}

QString CSyncLog::CurrentFile() const
{
    std::lock_guard lock(m_lock);
    return m_fileName;
}

int CSyncLog::RotationCounter() const
{
    std::lock_guard lock(m_lock);
    return m_counter;
}

void CSyncLog::Write(unsigned level, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    WriteV(level, format, args);
    va_end(args);
}

void CSyncLog::WriteV(unsigned level, const char* format, va_list args)
{
    std::lock_guard lock(m_lock);
    if (!m_file || !(level & m_mask))
        return;
    const QDateTime now = Now();
    if (now.date() != m_day) {
        std::fclose(m_file);
        m_file = nullptr;
        m_counter = 0;
        if (!OpenFor(now.date()))
            return;
    }
    if (std::ftell(m_file) >= m_limit) {
        std::fclose(m_file);
        m_file = nullptr;
        // Never move a file over an older rotated one: a restarted process begins its count at
        // the first free number, which may lie below numbers already taken.
        QString rotated;
        do {
            ++m_counter;
            rotated = QStringLiteral("%1.%2").arg(m_fileName).arg(m_counter, 4, 10, QLatin1Char('0'));
        } while (QFileInfo::exists(rotated) && m_counter < 9999);
        std::rename(QFile::encodeName(m_fileName).constData(), QFile::encodeName(rotated).constData());
        if (!OpenFor(m_day))
            return;
    }
    const QTime t = now.time();
    std::fprintf(m_file, "%02d:%02d:%02d %05u.%05u> %s :", t.hour(), t.minute(), t.second(),
                 static_cast<unsigned>(getpid()), static_cast<unsigned>(syscall(SYS_gettid)), Label(level));
    std::vfprintf(m_file, format, args);
    std::fflush(m_file);
}

unsigned CSyncLog::MaskFromValue(const QString& value)
{
    if (value.contains(QLatin1String("ALL")))
        return synclog::kAll;
    struct Name {
        const char* text;
        unsigned bit;
    };
    static const Name kNames[] = {{"INIT", synclog::kInit},   {"TRACE", synclog::kTrace}, {"WARN", synclog::kWarn},
                                  {"ALARM", synclog::kAlarm}, {"ERROR", synclog::kError}, {"LOG", synclog::kLog},
                                  {"IO", synclog::kIo},       {"TEST", synclog::kTest}};
    unsigned mask = 0;
    for (const Name& n : kNames)
        if (value.contains(QLatin1String(n.text)))
            mask |= n.bit;
    return mask;
}

const char* CSyncLog::Label(unsigned level)
{
    static const char* const kLabels[32] = {
        "INIT  ", "TRACE ", "WARN  ", "ALARM ", "ERROR ", "LOG   ", "IO    ", "TEST  ",
        "      ", "      ", "      ", "      ", "      ", "      ", "      ", "      ",
        "USER1 ", "USER2 ", "USER3 ", "USER4 ", "USER5 ", "USER6 ", "USER7 ", "USER8 ",
        "USER9 ", "USER10", "USER11", "USER12", "USER13", "USER14", "USER15", "USER16"};
    if (level == 0)
        return "      ";
    return kLabels[__builtin_ctz(level)];
}
