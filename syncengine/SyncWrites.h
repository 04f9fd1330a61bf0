#pragma once

// The seam through which the engine announces each write it is about to make on either side.
// A real run hands the announcements to the sync journal (the write's intent is on record before
// the side is touched); a dry run hands them to a plan and the write is skipped.

#include <QString>

class CSyncItem;

enum class SyncSide { Outlook = 0, Service = 1 };
// Rekey: the service to-do takes the identity of the Outlook task just made from it (the second
// step of a copy into Outlook). Delete: an Outlook item moved to Deleted Items.
enum class SyncAction { Create = 0, Modify = 1, Rekey = 2, Delete = 3 };

struct SSyncWrite {
    SyncSide side = SyncSide::Outlook;
    bool todo = true;
    SyncAction action = SyncAction::Create;
    QString uid;      // the pair's UID (empty for an appointment that gets its global id in the write)
    QString entryId;  // Outlook entry id in hex, when known
    QString record;   // the service's record number (X-ID), when known
    QString summary;
    QString before;   // the written side's values before the write (JSON object text; empty for a creation)
    QString after;    // the values written (JSON object text)
};

class CSyncWriteSink {
public:
    virtual ~CSyncWriteSink() = default;
    // Called before the side write. False: the write must not be made (a dry run records it).
    virtual bool BeginWrite(const SSyncWrite& write) = 0;
    // Called after the write that BeginWrite allowed, with what the write learned (the new entry
    // id of an Outlook creation, the UID given to an appointment).
    virtual void EndWrite(bool ok, const QString& entryId, const QString& uid) = 0;
};

// The values of an item as a JSON object text: every key of its set that has a value, and the
// alarm's "ACTION"/"TRIGGER".
QString SyncItemValues(const CSyncItem* item);
