#include "support/ManualClock.h"

#include <algorithm>

namespace launcher::testing {

TimerId ManualClock::add(double seconds, bool repeat, std::function<void()> action)
{
    const TimerId id = nextId_++;
    const double interval = std::max(0.0, seconds);
    timers_.emplace(id, Timer{now_ + interval, now_, 0, interval, repeat,
                              std::make_shared<const std::function<void()>>(std::move(action))});
    return id;
}

void ManualClock::advance(double seconds)
{
    const double target = now_ + std::max(0.0, seconds);
    // Times near 1.8e9 s carry rounding of about 1e-7 s: a microsecond of
    // tolerance lets ten steps of 0.1 s reach a timer due at 1.0 s.
    const double epsilon = 1e-6;
    for (;;) {
        // min_element keeps the first of equal due times: map order is creation order.
        const auto next = std::min_element(timers_.begin(), timers_.end(),
                                           [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
        if (next == timers_.end() || next->second.due > target + epsilon)
            break;
        now_ = std::max(now_, next->second.due);
        const std::shared_ptr<const std::function<void()>> action = next->second.action;
        if (next->second.repeat) {
            Timer& timer = next->second;
            // A zero interval would fire forever at one instant.
            timer.due = timer.start + double(++timer.fired + 1) * std::max(timer.interval, 1e-5);
        } else
            timers_.erase(next);
        (*action)();
    }
    now_ = std::max(now_, target);
}

} // namespace launcher::testing
