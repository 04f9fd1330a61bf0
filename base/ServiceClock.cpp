#include "base/ServiceClock.h"

#include <mutex>

namespace tamo::clock {

namespace {
std::mutex g_mutex;
std::function<QDateTime()> g_now;
}  // namespace

const QTimeZone& SeoulZone()
{
    // The zone database may be missing on a minimal system: a fixed +9 hours is the same zone
    // for every date the program handles.
    static const QTimeZone zone = [] {
        QTimeZone named(QByteArrayLiteral("Asia/Seoul"));
        return named.isValid() ? named : QTimeZone(9 * 3600);
    }();
    return zone;
}

QDateTime NowUtc()
{
    std::lock_guard lock(g_mutex);
    return g_now ? g_now().toUTC() : QDateTime::currentDateTimeUtc();
}

QDateTime NowSeoul() { return NowUtc().toTimeZone(SeoulZone()); }

void SetNowForTesting(std::function<QDateTime()> now)
{
    std::lock_guard lock(g_mutex);
    g_now = std::move(now);
}

}  // namespace tamo::clock
