#include "service/ServiceClock.h"

#include <QDateTime>

namespace tamo::service {

namespace {

std::int64_t EpochOfWall(const SWallTime& wall)
{
    return ToDateTime(wall).toSecsSinceEpoch() - CServiceClock::kSeoulOffsetSeconds;
}

}  // namespace

std::int64_t CServiceClock::NowEpoch() const
{
    std::lock_guard lock(m_mutex);
    return (m_frozen ? 0 : QDateTime::currentSecsSinceEpoch()) + m_offset;
}

SWallTime CServiceClock::Now() const
{
    const QDateTime wall = QDateTime::fromSecsSinceEpoch(NowEpoch() + kSeoulOffsetSeconds, Qt::UTC);
    return FromDateTime(wall);
}

void CServiceClock::SetNow(const SWallTime& wall)
{
    std::lock_guard lock(m_mutex);
    m_frozen = false;
    m_offset = EpochOfWall(wall) - QDateTime::currentSecsSinceEpoch();
}

void CServiceClock::Freeze(const SWallTime& wall)
{
    std::lock_guard lock(m_mutex);
    m_frozen = true;
    m_offset = EpochOfWall(wall);
}

void CServiceClock::Advance(std::int64_t seconds)
{
    std::lock_guard lock(m_mutex);
    m_offset += seconds;
}

void CServiceClock::Reset()
{
    std::lock_guard lock(m_mutex);
    m_frozen = false;
    m_offset = 0;
}

}  // namespace tamo::service
