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

// Captured values come back from the state file, which anyone may edit; the
// platform's setters take them as they are.
int clampedVolume(int volume)
{
    return std::clamp(volume, 0, 100);
}

double clampedBrightness(double value)
{
    return std::clamp(value, 0.0, 1.0);
}

} // namespace

VolumeState StateStore::readVolumeState()
{
    return platform_.sound.readVolumeState();
}

std::optional<double> StateStore::readBrightness()
{
    return platform_.sound.readBrightness();
}

std::optional<double> StateStore::readKeyboardBrightness()
{
    const auto value = platform_.sound.readKeyboardBrightness();
    if (value && *value < 0)
        return std::nullopt;
    return value;
}

void StateStore::restoreSoundAndBrightness()
{
    SoundAndBrightness& sound = platform_.sound;

    if (previousVolume)
        sound.setOutputVolume(clampedVolume(*previousVolume));
    if (previousAlertVolume)
        sound.setAlertVolume(clampedVolume(*previousAlertVolume));
    // Unmutes also when the state could not be read at the start.
    sound.setOutputMuted(previousMuted.value_or(false));
    previousVolume.reset();
    previousMuted.reset();
    previousAlertVolume.reset();

    if (previousBrightness) {
        const double captured = clampedBrightness(*previousBrightness);
        if (needsRewrite(readBrightness(), captured))
            sound.setBrightness(captured);
        previousBrightness.reset();
    }
    if (previousKeyboardBrightness && *previousKeyboardBrightness >= 0) {
        const double captured = clampedBrightness(*previousKeyboardBrightness);
        if (needsRewrite(readKeyboardBrightness(), captured))
            sound.setKeyboardBrightness(captured);
        previousKeyboardBrightness.reset();
    }
}

} // namespace launcher
