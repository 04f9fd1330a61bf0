#pragma once

// The floor of a sync run, measured beside it in the same program: the least work that moves the
// same items. A first run can do no better than one form post per item the service gains and one
// save per item Outlook gains; a run with nothing to do no better than downloading and parsing the
// export and reading each Outlook item's properties once.

#include <functional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "syncengine/MAPIEx.h"

namespace syncfloor {

// Seconds for posting each form body to its url, one after another on the default (signed-in)
// session, whose connection is kept alive; -1 when a post fails.
struct FormPost {
    QString url;
    QByteArray body;
};
double PostForms(const std::vector<FormPost>& posts);

// A property of a raw message: a plain tag, or a named id (set != PROPSET_NONE) resolved once.
struct RawProp {
    int set = PROPSET_NONE;
    ULONG tag = 0;  // for a named property: PROP_TAG(type, named id)
};

// Seconds for creating count messages in the special folder (PR_IPM_TASK_ENTRYID, ...) of a fresh
// store at storePath and saving each once; fill sets the values of message i, in the order of
// props (the tags are put in here), and answers how many of them, from the first, the message
// has. With resave, each message is saved a second time with one property set again (the cost of
// a one-property save of an existing message). The store the environment names is left alone.
double SaveMessages(const QString& storePath, ULONG folderTag, const std::vector<RawProp>& props, int count,
                    const std::function<std::size_t(int, std::vector<SPropValue>&)>& fill, bool resave = false);

// Seconds for getting the export at url and parsing it (events or to-dos), plus opening every
// message of the special folder of the current store and reading all its properties once.
// items receives the number of Outlook messages read.
double ReadBoth(const QString& exportUrl, bool todos, ULONG folderTag, int* items = nullptr);

// Puts n tasks ("아웃룩 할일 i") into the Tasks folder of the current store, as a user would have
// them before a first sync. Seeding, not measured.
void SeedOutlookTasks(int n);

}  // namespace syncfloor
