#include "engine/StateStore.h"

// Forced mode's machinery; filled in with the engine.

namespace launcher {

void StateStore::beginForcedMode() {}
void StateStore::showBlackout() {}
void StateStore::hideBlackout() {}
void StateStore::runZeroBrightnessSequence() {}
void StateStore::startForcedStateEnforcement() {}
void StateStore::cancelPendingDisplaySleepCommand() {}
void StateStore::startWatchingForWakeInput() {}
void StateStore::stopWatchingForWakeInput() {}
void StateStore::cancelScheduledStop(bool) {}
void StateStore::disable(DisableReason, bool) {}

} // namespace launcher
