#include "base/Shell.h"

#ifdef TAMO_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#endif

namespace {

#ifdef TAMO_HAVE_DBUS
// Alarms ask just before they pop up: a desktop that doesn't answer quickly counts as absent.
constexpr int kTimeoutMs = 500;

bool HasService(const QDBusConnection& bus, const QString& service)
{
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> reply = bus.interface()->isServiceRegistered(service);
    return reply.isValid() && reply.value();
}

// org.freedesktop.ScreenSaver.GetActive, at either of the paths desktops publish it on.
bool ScreenSaverActive()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service = QStringLiteral("org.freedesktop.ScreenSaver");
    if (!HasService(bus, service))
        return false;
    for (const char* path : {"/org/freedesktop/ScreenSaver", "/ScreenSaver"}) {
        QDBusMessage call = QDBusMessage::createMethodCall(service, QLatin1String(path), service,
                                                           QStringLiteral("GetActive"));
        const QDBusReply<bool> reply = bus.call(call, QDBus::Block, kTimeoutMs);
        if (reply.isValid())
            return reply.value();
    }
    return false;
}

// logind's LockedHint of this process's session.
bool SessionLocked()
{
    QDBusConnection bus = QDBusConnection::systemBus();
    const QString service = QStringLiteral("org.freedesktop.login1");
    if (!HasService(bus, service))
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        service, QStringLiteral("/org/freedesktop/login1/session/auto"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    call << QStringLiteral("org.freedesktop.login1.Session") << QStringLiteral("LockedHint");
    const QDBusReply<QDBusVariant> reply = bus.call(call, QDBus::Block, kTimeoutMs);
    return reply.isValid() && reply.value().variant().toBool();
}
#endif

}  // namespace

bool CShell::CheckScreenSaver()
{
#ifdef TAMO_HAVE_DBUS
    return ScreenSaverActive() || SessionLocked();
#else
    return false;
#endif
}

bool CShell::DeleteFromTaskbar(quintptr hWnd)
{
    return hWnd != 0;
}
