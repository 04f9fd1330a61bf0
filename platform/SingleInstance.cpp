#include "platform/SingleInstance.h"

#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QThread>

namespace platform {

namespace {
const QByteArray kActivate = "TamoCalendarActivate\n";
}

CSingleInstance::CSingleInstance(const QString& name, QObject* parent) : QObject(parent), m_name(name) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::ServerName(const QString& name)
{
    return QStringLiteral("%1-%2").arg(name).arg(::getuid());
}

bool CSingleInstance::CheckSingleInstance()
{
    const QString lockPath = QDir::temp().filePath(ServerName(m_name) + QStringLiteral(".lock"));
    m_lock = std::make_unique<QLockFile>(lockPath);
    m_lock->setStaleLockTime(0);  // only a dead owner makes the lock stale, never its age
    if (!m_lock->tryLock(0)) {
        m_lock.reset();
        // The first copy may still be starting: give it a moment to listen.
        SendMessage(m_name, kActivate, 2000);
        return false;
    }
    // We own the lock, so any socket file left behind is a crashed copy's.
    QLocalServer::removeServer(ServerName(m_name));
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    m_server->listen(ServerName(m_name));
    connect(m_server, &QLocalServer::newConnection, this, &CSingleInstance::OnNewConnection);
    return true;
}

void CSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine().trimmed();
                if (line == kActivate.trimmed())
                    Q_EMIT activateRequested();
                else if (line == kTerminateMessage)
                    Q_EMIT terminateRequested();
            }
        });
    }
}

bool CSingleInstance::SendMessage(const QString& name, const QByteArray& message, int waitMs)
{
    QDeadlineTimer deadline(waitMs);
    do {
        QLocalSocket socket;
        socket.connectToServer(ServerName(name));
        if (socket.waitForConnected(200)) {
            socket.write(message);
            const bool written = socket.waitForBytesWritten(1000);
            socket.disconnectFromServer();
            return written;
        }
        QThread::msleep(50);
    } while (!deadline.hasExpired());
    return false;
}

bool CSingleInstance::SendTerminate(const QString& name)
{
    return SendMessage(name, QByteArray(kTerminateMessage) + '\n', 0);
}

}  // namespace platform
