#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "service/ServiceTime.h"

namespace tamo::service {

// The service clock: the system clock shifted by an offset that tests may set, read as the wall
// clock of Asia/Seoul (UTC+9, no daylight saving). Thread-safe.
class CServiceClock {
public:
    // Seconds since 1970 (UTC) on the service clock.
    std::int64_t NowEpoch() const;
    SWallTime Now() const;
    std::string NowStamp() const { return FormatStamp(Now()); }

    // Moves the clock so that it reads the given Seoul wall time now; it keeps running from there.
    void SetNow(const SWallTime& wall);
    void Advance(std::int64_t seconds) { m_offset += seconds; }
    void Reset() { m_offset = 0; }

    static constexpr int kSeoulOffsetSeconds = 9 * 3600;

private:
    std::atomic<std::int64_t> m_offset{0};
};

}  // namespace tamo::service
