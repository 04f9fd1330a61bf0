#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtGlobal>

#include <sys/stat.h>

namespace tamo::test {

namespace {
const char* const kIsolatedVars[5] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "TMPDIR",
                                      "TAMO_SERVICE_CONFIG", "TAMO_MAPI_STORE"};
}

IsolatedEnvironment::IsolatedEnvironment()
{
    const QString values[5] = {ConfigHome(), DataHome(), m_dir.path() + "/tmp", ServiceConfig(),
                               MapiStore()};
    QDir().mkpath(ConfigHome());
    QDir().mkpath(DataHome());
    QDir().mkpath(m_dir.path() + "/tmp");
    for (int i = 0; i < 5; ++i) {
        m_had[i] = qEnvironmentVariableIsSet(kIsolatedVars[i]);
        m_saved[i] = qgetenv(kIsolatedVars[i]);
        qputenv(kIsolatedVars[i], values[i].toUtf8());
    }
}

IsolatedEnvironment::~IsolatedEnvironment()
{
    for (int i = 0; i < 5; ++i) {
        if (m_had[i])
            qputenv(kIsolatedVars[i], m_saved[i]);
        else
            qunsetenv(kIsolatedVars[i]);
    }
}

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value)
    : m_name(name), m_old(qgetenv(name)), m_had(qEnvironmentVariableIsSet(name))
{
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv()
{
    if (m_had)
        qputenv(m_name, m_old);
    else
        qunsetenv(m_name);
}

ScopedUmask::ScopedUmask(unsigned mask) : m_old(::umask(mode_t(mask))) {}

ScopedUmask::~ScopedUmask() { ::umask(mode_t(m_old)); }

int ModeOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 0777);
}

bool SetMode(const QString& path, int mode) { return ::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0; }

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

QString SourceDir() { return qEnvironmentVariable("TAMO_SOURCE_DIR", QStringLiteral(TAMO_TEST_SOURCE_DIR)); }
QString BinaryDir() { return qEnvironmentVariable("TAMO_BINARY_DIR", QStringLiteral(TAMO_TEST_BINARY_DIR)); }

std::string OctalMode(int mode)
{
    return mode < 0 ? "missing" : QString::number(mode, 8).toStdString();
}

}  // namespace tamo::test
