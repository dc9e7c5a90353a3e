#pragma once

#include "engine/TimerSlot.h"

#include <functional>
#include <optional>

namespace launcher {

// The one pending stop of a timed mode. It is not persisted: after a restart
// a running mode has none.
class ScheduledStop {
public:
    ScheduledStop(Clock& clock, std::function<void()> onDue);

    // Replaces a pending stop; 0 seconds or less only cancels.
    void schedule(double seconds);
    // True when a stop was pending.
    bool cancel();
    // When the pending stop is due.
    std::optional<double> stopAt() const { return scheduledStopAt_; }

private:
    Clock& clock_;
    std::function<void()> onDue_;
    TimerSlot timer_;
    std::optional<double> scheduledStopAt_;
};

} // namespace launcher
