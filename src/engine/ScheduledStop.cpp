#include "engine/StateStore.h"
#include "engine/Timings.h"

#include <algorithm>

namespace launcher {

void StateStore::scheduleAutoDisable(double seconds)
{
    cancelScheduledStop(false);
    if (!(seconds > 0))
        return;
    scheduledStopAt = now() + seconds;
    autoDisableTimer = platform_.clock.singleShot(std::max(seconds, shortestScheduledStop), guarded([](StateStore& store) {
        store.autoDisableTimer.reset();
        store.disable(DisableReason::timerExpired, true);
    }));
}

void StateStore::cancelScheduledStop(bool showNotice)
{
    cancelTimer(autoDisableTimer);
    if (scheduledStopAt && showNotice)
        sendNotice(QStringLiteral("已取消定时关闭"));
    scheduledStopAt.reset();
}

} // namespace launcher
