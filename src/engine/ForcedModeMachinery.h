#pragma once

#include "engine/TimerSlot.h"
#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace launcher {

// What forced mode does to the screens: black windows over all of them, the
// cursor hidden, screen and keyboard backlight at zero, and the displays told
// to sleep. Other software, or the display itself, may undo any of it, so it
// is done again on a schedule until the screens have been seen asleep.
class ForcedModeMachinery {
public:
    // isForced: whether the owner's mode still is forced mode; isProcessAlive:
    // whether its keep-awake process still lives. Asked whenever a timer fires.
    ForcedModeMachinery(Clock& clock, Screens& screens, SoundAndBrightness& sound, std::function<bool()> isForced,
                        std::function<bool()> isProcessAlive);
    ForcedModeMachinery(const ForcedModeMachinery&) = delete;
    ForcedModeMachinery& operator=(const ForcedModeMachinery&) = delete;

    // A new start: everything at once, then display-sleep commands in a
    // series and one more application a moment later.
    void begin();
    // Blackout, zero brightness and, until the screens sleep, their enforcement.
    void reapply();
    // A new blackout also keeps one whose removal is still pending.
    void showBlackout();
    void hideBlackout();
    // After forced mode the windows stay a moment, so that the restored
    // brightness is not seen flashing.
    void hideBlackoutAfter(double seconds);
    // The screens went to sleep: nothing needs repeating any more.
    void displaysDidSleep();
    // They woke while input is still ignored: put them back to sleep.
    void displaysWokeTooSoon();
    // Enforcement and display-sleep commands off; the blackout stays.
    void stop();
    // Ready for a new start: stabiliser off, not seen asleep, no attempts.
    void disarm();
    void cancelPendingDisplaySleepCommand();

    bool hasObservedDisplaySleep() const { return hasObservedDisplaySleep_; }
    // Nothing shown and no timer repeating it: not running in this process.
    bool isIdle() const { return !enforcement_.isPending() && !sleepCommand_.isPending() && overlayWindows_.empty(); }
    int sleepAttemptCount() const { return forcedSleepAttemptCount_; }
    std::optional<TimerId> stabilizerTimer() const { return stabilizer_.id(); }

private:
    void startEnforcement();
    void scheduleDisplaySleepNow();
    void scheduleStabilizer();

    Screens& screens_;
    SoundAndBrightness& sound_;
    std::function<bool()> isForced_;
    std::function<bool()> isProcessAlive_;
    std::vector<std::unique_ptr<BlackoutWindow>> overlayWindows_;
    bool cursorHidden_ = false;
    bool hasObservedDisplaySleep_ = false;
    int forcedSleepAttemptCount_ = 0;
    TimerSlot enforcement_;
    TimerSlot sleepCommand_;
    TimerSlot stabilizer_;
    TimerSlot blackoutRemoval_;
};

} // namespace launcher
