#include "engine/Constants.h"
#include "engine/StateStore.h"

// Forced mode repeats its work on a schedule (other software, or the display
// itself, may undo any of it) until the screens have been seen asleep.

namespace launcher {

void StateStore::beginForcedMode()
{
    hasObservedDisplaySleep = false;
    forcedSleepAttemptCount = 0;
    if (mode == AwakeMode::forced) {
        reapplyForcedState();
        noticeIfDisplaysCannotSleep();
    }
    scheduleDisplaySleepNow();
    scheduleForcedStabilizer();
    startWatchingForWakeInput();
}

// Said once per run: forced mode still covers the screens and ends on input.
void StateStore::noticeIfDisplaysCannotSleep()
{
    if (toldDisplaysStayOn_ || platform_.screens.canSleepDisplays())
        return;
    toldDisplaysStayOn_ = true;
    sendNotice(localized(QStringLiteral("此桌面不允许关闭显示器"),
                         QStringLiteral("This desktop does not let Pelvane turn the displays off")));
}

void StateStore::reinforceForcedStart()
{
    if (mode == AwakeMode::forced)
        beginForcedMode();
}

// Other software, or the display itself, may have undone any of it.
void StateStore::reapplyForcedState()
{
    showBlackout();
    runZeroBrightnessSequence();
    if (!hasObservedDisplaySleep)
        startForcedStateEnforcement();
}

void StateStore::stopForcedMachinery()
{
    stopWatchingForWakeInput();
    cancelTimer(forcedStateTimer);
    cancelPendingDisplaySleepCommand();
}

void StateStore::leaveForcedMode()
{
    hideBlackout();
    stopForcedMachinery();
}

void StateStore::showBlackout()
{
    if (!overlayWindows.empty())
        return;
    for (auto& window : platform_.screens.createBlackoutWindows())
        overlayWindows.push_back(std::move(window));
    if (!cursorHidden) {
        platform_.screens.hideCursor();
        cursorHidden = true;
    }
}

void StateStore::hideBlackout()
{
    overlayWindows.clear();
    if (cursorHidden) {
        platform_.screens.showCursor();
        cursorHidden = false;
    }
    platform_.screens.restoreDisplaySleepSettings();
}

void StateStore::runZeroBrightnessSequence()
{
    platform_.sound.driveBrightnessToZero();
}

void StateStore::startForcedStateEnforcement()
{
    if (forcedStateTimer)
        return;
    forcedStateTimer = platform_.clock.repeating(forcedEnforcementInterval, guarded([](StateStore& store) {
        if (store.mode != AwakeMode::forced)
            return;
        store.reapplyForcedState();
    }));
}

void StateStore::scheduleDisplaySleepNow()
{
    if (forcedSleepCommandTimer)
        return;
    ++forcedSleepAttemptCount;
    forcedSleepCommandTimer = platform_.clock.singleShot(displaySleepCommandDelay, guarded([](StateStore& store) {
        store.forcedSleepCommandTimer.reset();
        if (store.mode != AwakeMode::forced)
            return;
        store.reapplyForcedState();
        store.platform_.screens.sleepDisplaysNow();
        if (!store.hasObservedDisplaySleep && store.forcedSleepAttemptCount < displaySleepCommandAttempts)
            store.scheduleDisplaySleepNow();
    }));
}

void StateStore::scheduleForcedStabilizer()
{
    cancelTimer(forcedStabilizerTimer);
    forcedStabilizerTimer = platform_.clock.singleShot(forcedStabilizerDelay, guarded([](StateStore& store) {
        store.forcedStabilizerTimer.reset();
        if (store.mode != AwakeMode::forced || !store.isRecordedProcessAlive() || store.hasObservedDisplaySleep)
            return;
        store.reapplyForcedState();
        store.scheduleDisplaySleepNow();
    }));
}

void StateStore::cancelPendingDisplaySleepCommand()
{
    cancelTimer(forcedSleepCommandTimer);
    forcedSleepAttemptCount = 0;
}

// --- wake-input watch

// Polled five times a second for as long as forced mode runs: no allocation.
WakeEventAges StateStore::captureWakeEventAges()
{
    WakeEventAges ages{};
    for (size_t i = 0; i < wakeEventTypes.size(); ++i)
        ages[i] = platform_.input.secondsSinceLastEvent(wakeEventTypes[i]);
    return ages;
}

void StateStore::startWatchingForWakeInput()
{
    if (inputWatchTimer)
        return;
    platform_.input.setWatching(true);
    platform_.screenEvents.setWatching(true);
    forcedArmedAt = now();
    lastWakeEventAges = captureWakeEventAges();
    inputWatchTimer = platform_.clock.repeating(wakeInputPollInterval, guarded([](StateStore& store) { store.pollForWakeInput(); }));
}

void StateStore::stopWatchingForWakeInput()
{
    if (inputWatchTimer) {
        platform_.input.setWatching(false);
        platform_.screenEvents.setWatching(false);
    }
    cancelTimer(inputWatchTimer);
    cancelTimer(forcedStabilizerTimer);
    lastWakeEventAges.reset();
    forcedArmedAt.reset();
    hasObservedDisplaySleep = false;
    forcedSleepAttemptCount = 0;
}

bool StateStore::withinWakeGrace() const
{
    return !forcedArmedAt || now() - *forcedArmedAt < wakeDetectionGraceInterval;
}

void StateStore::pollForWakeInput()
{
    if (mode != AwakeMode::forced) {
        stopWatchingForWakeInput();
        return;
    }
    // While the screens sleep, their waking decides.
    if (hasObservedDisplaySleep)
        return;

    const WakeEventAges current = captureWakeEventAges();
    if (withinWakeGrace()) {
        lastWakeEventAges = current;
        return;
    }
    if (lastWakeEventAges) {
        for (size_t i = 0; i < current.size(); ++i) {
            if (current[i] + wakeInputAgeTolerance < (*lastWakeEventAges)[i]) {
                disable(DisableReason::wakeInput, true);
                lastWakeEventAges = current;
                return;
            }
        }
    }
    lastWakeEventAges = current;
}

} // namespace launcher
