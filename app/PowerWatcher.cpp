#include "app/PowerWatcher.h"

#ifdef TAMO_HAVE_DBUS
#include <QDBusConnection>
#endif

CPowerWatcher::CPowerWatcher(QObject* parent) : QObject(parent)
{
#ifdef TAMO_HAVE_DBUS
    // Any sender: the signal's path and interface are the login manager's own.
    m_bConnected = QDBusConnection::systemBus().connect(
        QString(), QStringLiteral("/org/freedesktop/login1"), QStringLiteral("org.freedesktop.login1.Manager"),
        QStringLiteral("PrepareForSleep"), this, SLOT(OnPrepareForSleep(bool)));
#endif
}

void CPowerWatcher::OnPrepareForSleep(bool bStart)
{
    if (bStart)
        emit Suspend();
    else
        emit Resume();
}
