#include "engine/ForcedModeMachinery.h"

#include "engine/Timings.h"

namespace launcher {

ForcedModeMachinery::ForcedModeMachinery(Clock& clock, Screens& screens, SoundAndBrightness& sound,
                                         std::function<bool()> isForced, std::function<bool()> isProcessAlive)
    : screens_(screens)
    , sound_(sound)
    , isForced_(std::move(isForced))
    , isProcessAlive_(std::move(isProcessAlive))
    , enforcement_(clock)
    , sleepCommand_(clock)
    , stabilizer_(clock)
    , blackoutRemoval_(clock)
{
}

void ForcedModeMachinery::begin()
{
    hasObservedDisplaySleep_ = false;
    forcedSleepAttemptCount_ = 0;
    if (isForced_())
        reapply();
    scheduleDisplaySleepNow();
    scheduleStabilizer();
}

void ForcedModeMachinery::reapply()
{
    showBlackout();
    sound_.driveBrightnessToZero();
    if (!hasObservedDisplaySleep_)
        startEnforcement();
}

void ForcedModeMachinery::showBlackout()
{
    blackoutRemoval_.cancel();
    if (!overlayWindows_.empty())
        return;
    overlayWindows_ = screens_.createBlackoutWindows();
    if (!cursorHidden_) {
        screens_.hideCursor();
        cursorHidden_ = true;
    }
}

void ForcedModeMachinery::hideBlackoutAfter(double seconds)
{
    blackoutRemoval_.singleShot(seconds, [this] { hideBlackout(); });
}

void ForcedModeMachinery::hideBlackout()
{
    blackoutRemoval_.cancel();
    overlayWindows_.clear();
    if (cursorHidden_) {
        screens_.showCursor();
        cursorHidden_ = false;
    }
    screens_.restoreDisplaySleepSettings();
}

void ForcedModeMachinery::displaysDidSleep()
{
    hasObservedDisplaySleep_ = true;
    enforcement_.cancel();
    cancelPendingDisplaySleepCommand();
}

void ForcedModeMachinery::displaysWokeTooSoon()
{
    hasObservedDisplaySleep_ = false;
    reapply();
    scheduleDisplaySleepNow();
}

void ForcedModeMachinery::stop()
{
    enforcement_.cancel();
    cancelPendingDisplaySleepCommand();
}

void ForcedModeMachinery::disarm()
{
    stabilizer_.cancel();
    hasObservedDisplaySleep_ = false;
    forcedSleepAttemptCount_ = 0;
}

void ForcedModeMachinery::cancelPendingDisplaySleepCommand()
{
    sleepCommand_.cancel();
    forcedSleepAttemptCount_ = 0;
}

void ForcedModeMachinery::startEnforcement()
{
    if (enforcement_.isPending())
        return;
    enforcement_.repeating(forcedEnforcementInterval, [this] {
        if (isForced_())
            reapply();
    });
}

// One command pending at a time; a series ends after a few attempts, or
// as soon as the screens are seen asleep.
void ForcedModeMachinery::scheduleDisplaySleepNow()
{
    if (sleepCommand_.isPending())
        return;
    ++forcedSleepAttemptCount_;
    sleepCommand_.singleShot(displaySleepCommandDelay, [this] {
        if (!isForced_())
            return;
        reapply();
        screens_.sleepDisplaysNow();
        if (!hasObservedDisplaySleep_ && forcedSleepAttemptCount_ < displaySleepCommandAttempts)
            scheduleDisplaySleepNow();
    });
}

void ForcedModeMachinery::scheduleStabilizer()
{
    stabilizer_.singleShot(forcedStabilizerDelay, [this] {
        if (!isForced_() || !isProcessAlive_() || hasObservedDisplaySleep_)
            return;
        reapply();
        scheduleDisplaySleepNow();
    });
}

} // namespace launcher
