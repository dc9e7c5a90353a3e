#pragma once

#include "platform/Platform.h"

namespace launcher {

// The sound reading from the read-sound script's "volume|muted|alert" output.
VolumeState parseVolumeReport(const QString& output);

// Brightness as the tools expect it: the shortest decimal text that reads
// back as the same double, always with a decimal point (1 gives "1.0").
// Absent for values that are not finite.
std::optional<QString> brightnessArgument(double value);

// Sound through AppleScript, screen and keyboard backlight through the two
// optional user-installed brightness tools.
class MacSoundAndBrightness final : public SoundAndBrightness {
public:
    explicit MacSoundAndBrightness(CommandRunner& commands) : commands_(commands) {}

    VolumeState readVolumeState() override;
    void muteAll() override;
    void setOutputVolume(int volume) override;
    void setAlertVolume(int volume) override;
    void setOutputMuted(bool muted) override;
    std::optional<double> readBrightness() override;
    void setBrightness(double value) override;
    std::optional<double> readKeyboardBrightness() override;
    void setKeyboardBrightness(double value) override;
    void driveBrightnessToZero() override;

private:
    std::optional<QString> runScript(const QString& script);
    CommandRunner& commands_;
};

} // namespace launcher
