#pragma once

// Both sides for the journal tests: the to-do sync world plus events, and each side read back as
// UIDs and titles.

#include <map>
#include <memory>
#include <set>

#include <QString>
#include <QStringList>

#include "TodoSyncWorld.h"

namespace tamo::test {

struct ToolOutcome {
    int exitCode = -1;
    bool killed = false;
    QString out;
};

// tamo-sync with the demo account; killAfter is a checkpoint ("name[:n]") or empty.
ToolOutcome RunTamoSync(const QStringList& args, const QString& killAfter = QString());
// tamo-store's last output line (an entry id for "add").
QString RunTamoStore(const QStringList& args);

// What one side holds of one kind.
struct SideItems {
    std::multiset<QString> titles;
    std::set<QString> uids;  // Outlook tasks: the service UID each was copied from, and its own identity
    std::map<QString, long long> ids;  // service record numbers by title
};

struct WorldSides {
    SideItems serviceTodos, outlookTasks, serviceEvents, outlookAppoints;
    bool operator==(const WorldSides& o) const
    {
        return serviceTodos.titles == o.serviceTodos.titles && outlookTasks.titles == o.outlookTasks.titles &&
               serviceEvents.titles == o.serviceEvents.titles && outlookAppoints.titles == o.outlookAppoints.titles;
    }
};

class JournalWorld {
public:
    // Preferences: to-dos and events, completed and sub to-dos included, newest wins.
    JournalWorld();
    bool ok() const { return m_ok; }
    TodoSyncWorld& Todos() { return *m_world; }

    long long PostItem(const QString& path, const QString& fields);
    long long AddServiceTodo(const QString& title);
    long long AddServiceEvent(const QString& title, int daysAhead);
    QString AddOutlookTask(const QString& title);
    QString AddOutlookAppoint(const QString& title, int daysAhead, bool withGlobalId = true);
    // A change made after the last sync (its stamp two minutes ahead).
    bool ChangeServiceItem(bool todo, long long id, const QString& title);
    bool ChangeOutlookItem(const QString& entryId, const QString& title);
    bool DeleteServiceItem(long long id);
    // As a user deletes in Outlook: the item goes to Deleted Items.
    bool DeleteOutlookItem(bool todo, const QString& entryId);

    WorldSides Read();
    int Calendar() const { return m_calendar; }

private:
    std::unique_ptr<TodoSyncWorld> m_world;
    int m_calendar = 0;
    bool m_ok = false;
};

}  // namespace tamo::test
