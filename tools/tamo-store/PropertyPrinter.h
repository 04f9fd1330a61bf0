#pragma once

// Prints every property of a message, one a line: tag, name (named properties resolved to their
// set and id or name), and the value as the engine formats it.

#include <QTextStream>

#include "platform/mapi/Mapi.h"

void PrintProperties(IMessage* msg, QTextStream& out);
// A short name for a property tag ("PR_SUBJECT_W"), or the tag in hex.
QString TagName(ULONG tag);
