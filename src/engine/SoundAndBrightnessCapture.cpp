#include "engine/SoundAndBrightnessCapture.h"

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

SoundAndBrightnessCapture::SoundAndBrightnessCapture(SoundAndBrightness& sound, PersistedState& state)
    : sound_(sound)
    , state_(state)
{
}

void SoundAndBrightnessCapture::capture()
{
    const VolumeState volume = sound_.readVolumeState();
    state_.previousVolume = volume.volume;
    state_.previousMuted = volume.muted;
    state_.previousAlertVolume = volume.alert;
    state_.previousBrightness = sound_.readBrightness();
    state_.previousKeyboardBrightness = readKeyboardBrightness();
}

std::optional<double> SoundAndBrightnessCapture::readKeyboardBrightness()
{
    const auto value = sound_.readKeyboardBrightness();
    if (value && *value < 0)
        return std::nullopt;
    return value;
}

void SoundAndBrightnessCapture::restore()
{
    if (state_.previousVolume)
        sound_.setOutputVolume(clampedVolume(*state_.previousVolume));
    if (state_.previousAlertVolume)
        sound_.setAlertVolume(clampedVolume(*state_.previousAlertVolume));
    // Unmutes also when the state could not be read at the start.
    sound_.setOutputMuted(state_.previousMuted.value_or(false));
    state_.previousVolume.reset();
    state_.previousMuted.reset();
    state_.previousAlertVolume.reset();

    if (state_.previousBrightness) {
        const double captured = clampedBrightness(*state_.previousBrightness);
        if (needsRewrite(sound_.readBrightness(), captured))
            sound_.setBrightness(captured);
        state_.previousBrightness.reset();
    }
    if (state_.previousKeyboardBrightness && *state_.previousKeyboardBrightness >= 0) {
        const double captured = clampedBrightness(*state_.previousKeyboardBrightness);
        if (needsRewrite(readKeyboardBrightness(), captured))
            sound_.setKeyboardBrightness(captured);
        state_.previousKeyboardBrightness.reset();
    }
}

} // namespace launcher
