#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "service/ServiceTime.h"

namespace tamo::service {

// The service clock: the system clock shifted by an offset that tests may set, or stopped at a
// chosen time, read as the wall clock of Asia/Seoul (UTC+9, no daylight saving). Thread-safe.
class CServiceClock {
public:
    // Seconds since 1970 (UTC) on the service clock.
    std::int64_t NowEpoch() const;
    SWallTime Now() const;
    std::string NowStamp() const { return FormatStamp(Now()); }

    // Moves the clock so that it reads the given Seoul wall time now; it keeps running from there.
    void SetNow(const SWallTime& wall);
    // Stops the clock at the given wall time; only Advance moves it then. Reset lets it run.
    void Freeze(const SWallTime& wall);
    void Advance(std::int64_t seconds);
    void Reset();

    static constexpr int kSeoulOffsetSeconds = 9 * 3600;

private:
    mutable std::mutex m_mutex;
    std::int64_t m_offset = 0;
    bool m_frozen = false;
};

}  // namespace tamo::service
