// CShell against a private D-Bus daemon that plays both the session and the system bus, with
// stand-ins for the desktop's screen saver and the login manager on a thread of their own.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include "base/Shell.h"

namespace {

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    std::atomic<bool> m_bActive{false};
public slots:
    bool GetActive() { return m_bActive; }
};

class FakeSession : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint READ LockedHint)
public:
    std::atomic<bool> m_bLocked{false};
    bool LockedHint() const { return m_bLocked; }
};

class ShellTest : public testing::Test {
protected:
    void SetUp() override
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            GTEST_SKIP() << "dbus-daemon is not installed";
        m_daemon.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"),
                                QStringLiteral("--print-address")});
        ASSERT_TRUE(m_daemon.waitForReadyRead(5000));
        m_address = QString::fromLatin1(m_daemon.readLine().trimmed());
        ASSERT_FALSE(m_address.isEmpty());
    }

    void TearDown() override
    {
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.kill();
            m_daemon.waitForFinished();
        }
    }

    QProcess m_daemon;
    QString m_address;
};

TEST_F(ShellTest, AsksScreenSaverThenLoginManager)
{
    // The process-wide buses are created on first use, so this is the only test that makes them.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toLatin1());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.toLatin1());
    EXPECT_FALSE(CShell::CheckScreenSaver());  // nobody to ask

    QThread thread;
    FakeScreenSaver saver;
    FakeSession session;
    saver.moveToThread(&thread);
    session.moveToThread(&thread);
    thread.start();
    QDBusConnection service = QDBusConnection::connectToBus(m_address, QStringLiteral("fake-desktop"));
    ASSERT_TRUE(service.isConnected());
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), &saver,
                                       QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(service.registerObject(QStringLiteral("/org/freedesktop/login1/session/auto"), &session,
                                       QDBusConnection::ExportAllProperties));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    ASSERT_TRUE(service.registerService(QStringLiteral("org.freedesktop.login1")));

    EXPECT_FALSE(CShell::CheckScreenSaver());
    saver.m_bActive = true;
    EXPECT_TRUE(CShell::CheckScreenSaver());
    saver.m_bActive = false;
    session.m_bLocked = true;
    EXPECT_TRUE(CShell::CheckScreenSaver());
    session.m_bLocked = false;
    EXPECT_FALSE(CShell::CheckScreenSaver());

    service.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
    service.unregisterObject(QStringLiteral("/org/freedesktop/login1/session/auto"));
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-desktop"));
    thread.quit();
    thread.wait();
}

TEST(ShellTaskbarTest, NothingToRemove)
{
    EXPECT_TRUE(CShell::DeleteFromTaskbar(0x1234));
    EXPECT_FALSE(CShell::DeleteFromTaskbar(0));
}

}  // namespace

#include "ShellTest.moc"
