#pragma once

#include "engine/Constants.h"
#include "engine/TimerSlot.h"
#include "platform/Platform.h"

#include <functional>
#include <optional>

namespace launcher {

// Notices input by polling how long ago the last event of each watched type
// was: an age that drops means fresh input. No event tap is needed.
class WakeInputWatch {
public:
    // poll runs five times a second while the watch is armed.
    WakeInputWatch(Clock& clock, InputIdle& input, ScreenEvents& screenEvents, std::function<void()> poll);
    WakeInputWatch(const WakeInputWatch&) = delete;
    WakeInputWatch& operator=(const WakeInputWatch&) = delete;

    // Does nothing while armed, so the grace period is not started over.
    void start();
    void stop();
    bool isArmed() const { return timer_.isPending(); }
    // Not armed, or armed less than the grace period ago: input is ignored.
    bool withinGrace() const;

    // One reading of every age: true when one of them dropped since the
    // previous reading, once the grace period after arming is over.
    bool inputSincePreviousReading();

private:
    WakeEventAges captureWakeEventAges();

    Clock& clock_;
    InputIdle& input_;
    ScreenEvents& screenEvents_;
    std::function<void()> poll_;
    TimerSlot timer_;
    std::optional<WakeEventAges> lastWakeEventAges_; // absent while disarmed
    std::optional<double> forcedArmedAt_;
};

} // namespace launcher
