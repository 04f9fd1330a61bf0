#pragma once

#include <string>

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace tamo::test {

// A fresh folder that every user-level location of the program points into:
// XDG_CONFIG_HOME, XDG_DATA_HOME, TMPDIR, TAMO_SERVICE_CONFIG and TAMO_MAPI_STORE.
// The test main installs one for the whole program; tests may install their own.
class IsolatedEnvironment {
public:
    IsolatedEnvironment();
    ~IsolatedEnvironment();
    IsolatedEnvironment(const IsolatedEnvironment&) = delete;
    IsolatedEnvironment& operator=(const IsolatedEnvironment&) = delete;

    QString Root() const { return m_dir.path(); }
    QString ConfigHome() const { return m_dir.path() + "/config"; }
    QString DataHome() const { return m_dir.path() + "/data"; }
    QString ServiceConfig() const { return m_dir.path() + "/service.ini"; }
    QString MapiStore() const { return m_dir.path() + "/outlook.sqlite"; }

private:
    QTemporaryDir m_dir;
    QByteArray m_saved[5];
    bool m_had[5] = {};
};

// Sets an environment variable for the life of the object and restores it after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    QByteArray m_old;
    bool m_had;
};

// Sets the process's file-creation mask for the life of the object and restores it after.
class ScopedUmask {
public:
    explicit ScopedUmask(unsigned mask);
    ~ScopedUmask();
    ScopedUmask(const ScopedUmask&) = delete;
    ScopedUmask& operator=(const ScopedUmask&) = delete;

private:
    unsigned m_old;
};

// The permission bits of a file or folder (st_mode & 0777); -1 when it is missing.
int ModeOf(const QString& path);
// Sets the permission bits, as an older build's files had them; false on failure.
bool SetMode(const QString& path, int mode);
// A mode as it reads in octal ("600"), or "missing" for -1: for readable test failures.
std::string OctalMode(int mode);

// Reads a whole file (empty when missing).
QByteArray ReadFile(const QString& path);
// Writes a whole file; false when it cannot be written.
bool WriteFile(const QString& path, const QByteArray& bytes);
// The folder of the source tree and of the build tree, for fixtures and helper programs.
QString SourceDir();
QString BinaryDir();

}  // namespace tamo::test
