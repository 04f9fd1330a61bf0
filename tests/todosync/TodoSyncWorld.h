#pragma once

// Both sides of a to-do sync for a test: the stand-in service on loopback with the demo account
// (signed in on the default session) and a fresh Outlook store, with readers of both.

#include <memory>
#include <optional>
#include <vector>

#include <QString>

#include "service/TamoService.h"
#include "support/TestEnvironment.h"
#include "syncengine/MAPISync.h"

namespace tamo::test {

struct ServiceTodo {
    long long id = 0;
    QString uid, title, description, due, priority, completed, alarm, lastModified, sequence, parent;
};

struct OutlookTask {
    QString entryId, subject, body, importance, due, complete, reminderSet, lastModified, origin;
    double reminderUtc = 0;  // OLE date, 0 when none
};

struct NewTask {
    QString subject;
    QString body;
    int importance = 1;
    QString due;                 // "YYYY-MM-DD", empty for none
    int reminderSecondsBefore = -1;  // before the due date; -1: no reminder
    bool complete = false;
};

class TodoSyncWorld {
public:
    TodoSyncWorld();
    ~TodoSyncWorld();

    bool ok() const { return m_ok; }
    service::CTamoService& Service() { return *m_service; }

    // Calendar service requests of the test (signed in).
    QString Post(const QString& path, const QString& body);
    QString Get(const QString& path);
    // Sets the demo account's sync preferences.
    bool SetPreferences(bool todo, bool event, bool complete, bool sub, bool conflict);
    std::vector<ServiceTodo> ServiceTodos();
    // Creates a to-do on the service; its record number.
    long long AddServiceTodo(const QString& fields);

    std::vector<OutlookTask> OutlookTasks();
    QString AddOutlookTask(const NewTask& task);
    // Changes a task's subject with an explicit last-modified time (UTC ISO) after the last sync.
    bool SetOutlookSubject(const QString& entryId, const QString& subject, double lastModifiedUtc,
                           bool complete = false);

    QString PcKey() const { return m_pcKey; }

private:
    IsolatedEnvironment m_env;
    std::unique_ptr<service::CTamoService> m_service;
    QString m_pcKey;
    bool m_ok = false;
};

// Now (UTC) as an OLE date plus the given seconds.
double OleNowUtcPlus(int seconds);

}  // namespace tamo::test
