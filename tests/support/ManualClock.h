#pragma once

#include "platform/Clock.h"

#include <map>
#include <memory>

namespace launcher::testing {

// Virtual time: nothing happens until the test advances the clock, and then
// due timers fire in order of their due time (ties in order of creation).
class ManualClock final : public Clock {
public:
    explicit ManualClock(double start = 1'800'000'000.0) : now_(start) {}

    double now() const override { return now_; }
    TimerId singleShot(double s, std::function<void()> action) override { return add(s, false, std::move(action)); }
    TimerId repeating(double s, std::function<void()> action) override { return add(s, true, std::move(action)); }
    void cancel(TimerId id) override { timers_.erase(id); }

    // Moves time forward, firing every timer that falls due on the way.
    void advance(double seconds);
    // Jumps the wall clock without firing anything (a clock change).
    void setNow(double now) { now_ = now; }

    int pendingTimers() const { return int(timers_.size()); }
    bool isPending(TimerId id) const { return timers_.count(id) != 0; }

private:
    struct Timer {
        double due;
        double start;    // due times of a repeating timer are start + n * interval,
        qint64 fired;    // so they do not drift with rounding
        double interval;
        bool repeat;
        // Shared, so that firing a timer that cancels itself copies nothing heavy.
        std::shared_ptr<const std::function<void()>> action;
    };
    TimerId add(double seconds, bool repeat, std::function<void()> action);

    double now_;
    TimerId nextId_ = 1;
    std::map<TimerId, Timer> timers_;
};

} // namespace launcher::testing
