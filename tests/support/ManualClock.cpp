#include "support/ManualClock.h"

#include <algorithm>
#include <limits>

namespace launcher::testing {

TimerId ManualClock::singleShot(double seconds, std::function<void()> action)
{
    return add(seconds, false, std::move(action));
}

TimerId ManualClock::repeating(double seconds, std::function<void()> action)
{
    return add(seconds, true, std::move(action));
}

TimerId ManualClock::add(double seconds, bool repeat, std::function<void()> action)
{
    const TimerId id = nextId_++;
    const double interval = std::max(0.0, seconds);
    timers_.emplace(id, Timer{now_ + interval, interval, repeat, std::move(action)});
    return id;
}

void ManualClock::cancel(TimerId id)
{
    timers_.erase(id);
}

double ManualClock::intervalOf(TimerId id) const
{
    auto it = timers_.find(id);
    return it == timers_.end() ? -1.0 : it->second.interval;
}

bool ManualClock::isRepeating(TimerId id) const
{
    auto it = timers_.find(id);
    return it != timers_.end() && it->second.repeat;
}

void ManualClock::advance(double seconds)
{
    const double target = now_ + std::max(0.0, seconds);
    // Small tolerance so that ten steps of 0.1 s reach a timer due at 1.0 s.
    const double epsilon = 1e-9;
    for (;;) {
        auto next = timers_.end();
        for (auto it = timers_.begin(); it != timers_.end(); ++it)
            if (next == timers_.end() || it->second.due < next->second.due)
                next = it; // map order keeps creation order among equal due times
        if (next == timers_.end() || next->second.due > target + epsilon)
            break;
        now_ = std::max(now_, next->second.due);
        std::function<void()> action = next->second.action;
        if (next->second.repeat)
            // A zero interval would fire forever at one instant.
            next->second.due += std::max(next->second.interval, 1e-6);
        else
            timers_.erase(next);
        action();
    }
    now_ = std::max(now_, target);
}

} // namespace launcher::testing
