#include "engine/ScheduledStop.h"

#include "engine/Timings.h"

#include <algorithm>
#include <utility>

namespace launcher {

ScheduledStop::ScheduledStop(Clock& clock, std::function<void()> onDue)
    : clock_(clock)
    , onDue_(std::move(onDue))
    , timer_(clock)
{
}

void ScheduledStop::schedule(double seconds)
{
    cancel();
    if (!(seconds > 0))
        return;
    scheduledStopAt_ = clock_.now() + seconds;
    timer_.singleShot(std::max(seconds, shortestScheduledStop), [this] {
        scheduledStopAt_.reset();
        onDue_();
    });
}

bool ScheduledStop::cancel()
{
    timer_.cancel();
    return std::exchange(scheduledStopAt_, std::nullopt).has_value();
}

} // namespace launcher
