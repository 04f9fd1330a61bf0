#pragma once

#include <string>

#include "service/ServiceClock.h"
#include "service/ServiceDatabase.h"

namespace tamo::service {

inline constexpr const char* kDemoLogin = "demo";
inline constexpr const char* kDemoPassword = "tamo1234";

// The demo account: calendars (one of another service among them), timed, all-day and repeating
// events of every repeat type, to-dos with and without due dates, priorities and alarms, a
// completed to-do and a sub-to-do, with Korean titles. Dates are laid around the clock's today.
// Does nothing when the account exists already.
[[nodiscard]] bool SeedDemoAccount(CServiceDatabase& database, const CServiceClock& clock, std::string& error);

}  // namespace tamo::service
