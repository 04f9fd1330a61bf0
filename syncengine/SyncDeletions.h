#pragma once

// Deletions that stay deleted: a pair the last complete run saw (or made) whose item is now
// missing on one side while the other side is unchanged since that run is a deletion, not a new
// item. Found here; applied by the sync run (Outlook items go to Deleted Items, service items are
// only left alone: the service's interface deletes nothing).

#include <vector>

#include <QByteArray>
#include <QString>

#include "syncengine/SyncJournal.h"

class CMAPISync;

struct SSyncDeletion {
    bool todo = true;
    SyncSide deletedOn = SyncSide::Service;  // the side the item is missing on
    QString uid;
    QString summary;
    QByteArray outlookEntry;  // the Outlook item to move (deletedOn == Service)
};

struct SDeletionScan {
    std::vector<SSyncDeletion> found;
    int pairs = 0;  // pairs of the kind the last complete run left
    // More than 10 deletions and more than a quarter of the pairs: none of them is applied
    // unless the user allows it.
    bool massive = false;
};

struct SDeletionInputs {
    bool todo = true;
    std::vector<SJournalPair> lastPairs;    // pairs recorded by the last complete run
    std::vector<SJournalWrite> lastWrites;  // and its writes: items it created are pairs too
    double lastLocalSync = 0;               // "SyncDate" (Outlook stamps), 0 when none
    double lastServiceSync = 0;             // "SyncServerDate" (service stamps), 0 when none
    // False when the service's export leaves items out (completed or sub to-dos): then an item
    // missing there may merely be left out, and no service-side deletion is looked for.
    bool serviceListComplete = true;
    int syncRangeDays = 0;
};

// Needs both sides of the kind read into the engine. May build the engine's appointment index.
SDeletionScan FindDeletions(CMAPISync& engine, const SDeletionInputs& in);

// The guard's rule.
bool IsMassDeletion(int deletions, int pairs);
