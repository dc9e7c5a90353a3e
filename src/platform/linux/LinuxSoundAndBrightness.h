#pragma once

#include "platform/Platform.h"

namespace launcher {

// Full path of an installed tool by name; empty when it is not installed.
using ToolLookup = std::function<QString(const QString& name)>;
ToolLookup searchPathForTools();

// One line of `brightnessctl -m -l`: "device,class,current,percent,max".
struct BacklightDevice {
    QString name;
    QString deviceClass;
    int current = 0;
    int maximum = 0;
};
std::vector<BacklightDevice> parseBacklightList(const QString& output);

// Sound through PulseAudio's (or PipeWire's) pactl on the default sink, screen
// and keyboard backlight through brightnessctl. A missing tool reads as absent
// and its setters do nothing. There is no alert volume on Linux.
class LinuxSoundAndBrightness final : public SoundAndBrightness {
public:
    explicit LinuxSoundAndBrightness(CommandRunner& commands, ToolLookup findTool = searchPathForTools());

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
    std::optional<QString> pactl(const QStringList& arguments);
    std::vector<BacklightDevice> backlights(std::chrono::milliseconds timeLimit = defaultCommandTimeLimit);
    std::optional<double> readFraction(const std::optional<BacklightDevice>& device);
    void setFraction(const std::optional<BacklightDevice>& device, double value,
                     std::chrono::milliseconds timeLimit = defaultCommandTimeLimit);

    CommandRunner& commands_;
    ToolLookup findTool_;
};

} // namespace launcher
