#pragma once

#include <QObject>

// Tells when the computer goes to sleep and when it wakes: the login manager's PrepareForSleep
// signal on the system bus (true before sleeping, false after waking). Silent where there is no
// system bus or no login manager.
class CPowerWatcher : public QObject {
    Q_OBJECT
public:
    explicit CPowerWatcher(QObject* parent = nullptr);
    bool IsConnected() const { return m_bConnected; }

signals:
    void Suspend();
    void Resume();

private slots:
    void OnPrepareForSleep(bool bStart);

private:
    bool m_bConnected = false;
};
