#include "engine/StateStore.h"

#include <algorithm>
#include <cmath>

namespace launcher {

namespace {

constexpr double brightnessTolerance = 0.01;

bool needsRewrite(const std::optional<double>& current, double captured)
{
    return !current || std::abs(*current - captured) > brightnessTolerance;
}

} // namespace

VolumeState StateStore::readVolumeState()
{
    if (isSelfTestMode)
        return VolumeState{35, false, 50};
    return platform_.sound.readVolumeState();
}

std::optional<double> StateStore::readBrightness()
{
    if (isSelfTestMode)
        return 0.62;
    return platform_.sound.readBrightness();
}

std::optional<double> StateStore::readKeyboardBrightness()
{
    if (isSelfTestMode)
        return 0.55;
    const auto value = platform_.sound.readKeyboardBrightness();
    if (value && *value < 0)
        return std::nullopt;
    return value;
}

void StateStore::restoreSoundAndBrightness()
{
    SoundAndBrightness& sound = platform_.sound;

    if (!isSelfTestMode) {
        if (previousVolume)
            sound.setOutputVolume(std::clamp(*previousVolume, 0, 100));
        if (previousAlertVolume)
            sound.setAlertVolume(std::clamp(*previousAlertVolume, 0, 100));
        // Unmutes also when the state could not be read at the start.
        sound.setOutputMuted(previousMuted.value_or(false));
    }
    previousVolume.reset();
    previousMuted.reset();
    previousAlertVolume.reset();

    if (isSelfTestMode) {
        previousBrightness.reset();
        previousKeyboardBrightness.reset();
        return;
    }

    if (previousBrightness) {
        if (needsRewrite(readBrightness(), *previousBrightness))
            sound.setBrightness(*previousBrightness);
        previousBrightness.reset();
    }
    if (previousKeyboardBrightness && *previousKeyboardBrightness >= 0) {
        if (needsRewrite(readKeyboardBrightness(), *previousKeyboardBrightness))
            sound.setKeyboardBrightness(*previousKeyboardBrightness);
        previousKeyboardBrightness.reset();
    }
}

} // namespace launcher
