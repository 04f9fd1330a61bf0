#pragma once

#include <functional>

#include <QDateTime>
#include <QTimeZone>

// The one clock of the program's service-side times. The service keeps every time in the fixed
// zone Asia/Seoul, so wherever "local time" is compared with a service or Outlook time stamp
// (sync dates, the sync range, alarm due times, quick-add defaults) it is taken here, in that
// zone, whatever zone the computer is set to. Tests set the clock to a fixed or moving time.
namespace tamo::clock {

// Asia/Seoul (UTC+9 all year; no daylight saving since 1988).
const QTimeZone& SeoulZone();

// Now, as a UTC instant.
QDateTime NowUtc();
// Now in Asia/Seoul: its date and time fields are what the service would write.
QDateTime NowSeoul();

// Replaces the clock (a function giving the UTC instant); an empty function restores the real
// clock. For tests; not for concurrent use with readers on other threads.
void SetNowForTesting(std::function<QDateTime()> now);

}  // namespace tamo::clock
