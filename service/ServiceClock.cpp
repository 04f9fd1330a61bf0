#include "service/ServiceClock.h"

#include <QDateTime>

namespace tamo::service {

std::int64_t CServiceClock::NowEpoch() const { return QDateTime::currentSecsSinceEpoch() + m_offset.load(); }

SWallTime CServiceClock::Now() const
{
    const QDateTime wall = QDateTime::fromSecsSinceEpoch(NowEpoch() + kSeoulOffsetSeconds, Qt::UTC);
    return FromDateTime(wall);
}

void CServiceClock::SetNow(const SWallTime& wall)
{
    const std::int64_t target = ToDateTime(wall).toSecsSinceEpoch() - kSeoulOffsetSeconds;
    m_offset = target - QDateTime::currentSecsSinceEpoch();
}

}  // namespace tamo::service
