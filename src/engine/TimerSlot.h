#pragma once

#include "platform/Clock.h"

#include <functional>
#include <optional>

namespace launcher {

// One engine timer: at most one pending at a time, empty again once a single
// shot has fired, and cancelled with its owner, so an action never outlives
// the part that scheduled it.
class TimerSlot {
public:
    explicit TimerSlot(Clock& clock) : clock_(clock) {}
    ~TimerSlot() { cancel(); }
    TimerSlot(const TimerSlot&) = delete;
    TimerSlot& operator=(const TimerSlot&) = delete;

    bool isPending() const { return id_.has_value(); }
    std::optional<TimerId> id() const { return id_; }

    // Both replace a pending timer.
    void singleShot(double seconds, std::function<void()> action)
    {
        cancel();
        // Emptied before the action runs, which may schedule the slot again.
        id_ = clock_.singleShot(seconds, [this, action = std::move(action)] {
            id_.reset();
            action();
        });
    }
    void repeating(double seconds, std::function<void()> action)
    {
        cancel();
        id_ = clock_.repeating(seconds, std::move(action));
    }

    void cancel()
    {
        if (id_)
            clock_.cancel(*id_);
        id_.reset();
    }

private:
    Clock& clock_;
    std::optional<TimerId> id_;
};

} // namespace launcher
