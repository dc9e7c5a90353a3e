#pragma once

#include "platform/Platform.h"
#include "store/StateFile.h"

namespace launcher {

// Sound and brightness as they were before forced mode muted and darkened
// the machine, kept in the persisted state's own fields so that a run after
// a restart can still give them back.
class SoundAndBrightnessCapture {
public:
    SoundAndBrightnessCapture(SoundAndBrightness& sound, PersistedState& state);

    // Reads the current values into the state; what cannot be read is absent.
    void capture();
    // Writes back what was captured, then clears it. Brightness is written
    // only where it is off by more than a hundredth.
    void restore();

private:
    std::optional<double> readKeyboardBrightness();

    SoundAndBrightness& sound_;
    PersistedState& state_;
};

} // namespace launcher
