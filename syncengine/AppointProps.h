#pragma once

// The Outlook properties of appointments, as (set, named id, type), and the small conversions
// the appointment passes share.

#include <optional>

#include <QDateTime>
#include <QString>

#include "platform/mapi/Mapi.h"
#include "syncengine/MAPIEx.h"

namespace appointprops {

constexpr ULONG kAllDay = PROP_TAG(PT_BOOLEAN, 0x8215);
constexpr ULONG kStart = PROP_TAG(PT_SYSTIME, 0x820D);
constexpr ULONG kEnd = PROP_TAG(PT_SYSTIME, 0x820E);
constexpr ULONG kDuration = PROP_TAG(PT_LONG, 0x8213);
constexpr ULONG kRecurring = PROP_TAG(PT_BOOLEAN, 0x8223);
constexpr ULONG kRecurrenceType = PROP_TAG(PT_LONG, 0x8231);
constexpr ULONG kPattern = PROP_TAG(PT_BINARY, 0x8216);
constexpr ULONG kClipEnd = PROP_TAG(PT_SYSTIME, 0x8236);
constexpr ULONG kReminderSet = PROP_TAG(PT_BOOLEAN, 0x8503);
constexpr ULONG kReminderDelta = PROP_TAG(PT_LONG, 0x8501);
constexpr ULONG kReminderTime = PROP_TAG(PT_SYSTIME, 0x8502);
constexpr ULONG kGlobalObjectId = PROP_TAG(PT_BINARY, 0x0003);
constexpr ULONG kKeywords = 0x8188101F;

// Service wall time (Asia/Seoul) and Outlook UTC differ by exactly nine hours.
constexpr double kSeoulShiftDays = 0.375;

// An OLE date as a wall-clock date-time (no zone), and back; invalid / nothing when out of range.
QDateTime OleToDateTime(double date);
std::optional<double> DateTimeToOle(const QDateTime& dt);
// "%4d-%02d-%02dT%02d:%02d:%02d" and "%4d%02d%02dT%02d%02d%02d" of an OLE date; empty for 0
// and for years of 3000 and later (Outlook's "no date").
QString DashedText(double date);
QString CompactText(double date);

// The present Asia/Seoul wall time as an OLE date.
double NowSeoulOle();

}  // namespace appointprops
