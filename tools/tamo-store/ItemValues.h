#pragma once

// What to write into a task or an appointment: a JSON object (from a file or from the
// command-line options) applied to a message through MAPI.
//
// Keys: "subject", "body", "class", "importance" (0-2), "created", "modified" (UTC times);
// tasks: "due" (date), "complete" (bool), "completed" (date), "reminder" (UTC time of the reminder);
// appointments: "start", "end" (UTC times), "allDay" (bool), "reminderMinutes", "uid" (written
// as the global object id; a new appointment without one gets a new global object id, as Outlook
// gives it, unless "globalId" is false), "keywords" (array of strings), "recurring" (bool);
// "props": [{"tag": "0x0037001F", "value": ...}] or
//          [{"set": "Task", "id": "0x8105", "type": "PT_SYSTIME", "value": ...}] or
//          [{"set": "PS_PUBLIC_STRINGS", "name": "Keywords", "type": "PT_MV_UNICODE", "value": [...]}].
// Times are ISO 8601 ("2007-11-21T09:30:00Z"; without a zone they are taken as UTC), binary values hex.

#include <QJsonObject>
#include <QString>

#include "platform/mapi/Mapi.h"

enum class ItemKind { Task, Appointment };

// Writes every key of values into msg; false with a reason for a value it can't use.
bool ApplyItemValues(IMessage* msg, ItemKind kind, const QJsonObject& values, bool isNew, QString* error);
