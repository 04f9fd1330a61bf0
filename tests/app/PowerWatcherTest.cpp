// The sleep and wake signals of the login manager, from a private D-Bus daemon standing for the
// system bus.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>

#include "app/PowerWatcher.h"

namespace {

TEST(PowerWatcherTest, PrepareForSleepBecomesSuspendAndResume)
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (daemon.isEmpty())
        GTEST_SKIP() << "dbus-daemon is not installed";
    QProcess bus;
    bus.start(daemon, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    ASSERT_TRUE(bus.waitForReadyRead(5000));
    const QString address = QString::fromLatin1(bus.readLine().trimmed());
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", address.toLatin1());

    CPowerWatcher watcher;
    ASSERT_TRUE(watcher.IsConnected());
    QSignalSpy suspend(&watcher, &CPowerWatcher::Suspend);
    QSignalSpy resume(&watcher, &CPowerWatcher::Resume);

    QDBusConnection manager = QDBusConnection::connectToBus(address, QStringLiteral("fake-login-manager"));
    ASSERT_TRUE(manager.isConnected());
    for (bool start : {true, false}) {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
            QStringLiteral("PrepareForSleep"));
        signal << start;
        ASSERT_TRUE(manager.send(signal));
        QSignalSpy& expected = start ? suspend : resume;
        EXPECT_TRUE(expected.wait(5000)) << start;
    }
    EXPECT_EQ(suspend.count(), 1);
    EXPECT_EQ(resume.count(), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("fake-login-manager"));
    bus.kill();
    bus.waitForFinished();
}

}  // namespace
