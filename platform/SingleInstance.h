#pragma once

#include <memory>

#include <QObject>
#include <QString>

class QLocalServer;
class QLockFile;

namespace platform {

// One running copy per user session. The first copy holds a lock file and listens on a
// per-user local socket; a later copy finds the lock taken, asks the first copy to bring its
// window forward and ends. A lock left by a crashed copy is recognised as stale (its process
// is gone) and taken over, and its socket file replaced.
class CSingleInstance : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kTerminateMessage = "TamoCalendarTerminate";

    explicit CSingleInstance(const QString& name = QStringLiteral("TamoCalendar"), QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True for the first copy, which then serves requests; false for a later copy, which has
    // asked the first one to come forward.
    [[nodiscard]] bool CheckSingleInstance();

    // Asks the running copy to close (what the updater or installer sends). False when none runs.
    static bool SendTerminate(const QString& name = QStringLiteral("TamoCalendar"));

    // The per-user socket name for the instance name.
    static QString ServerName(const QString& name);

Q_SIGNALS:
    void activateRequested();
    void terminateRequested();

private:
    static bool SendMessage(const QString& name, const QByteArray& message, int waitMs);
    void OnNewConnection();

    QString m_name;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

}  // namespace platform
