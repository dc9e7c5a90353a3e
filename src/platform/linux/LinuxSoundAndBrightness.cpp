#include "platform/linux/LinuxSoundAndBrightness.h"

#include <QRegularExpression>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>

namespace launcher {

namespace {

const QString defaultSink = QStringLiteral("@DEFAULT_SINK@");

bool isScreenBacklight(const BacklightDevice& device)
{
    return device.deviceClass == QLatin1String("backlight");
}

bool isKeyboardBacklight(const BacklightDevice& device)
{
    return device.deviceClass == QLatin1String("leds") && device.name.contains(QLatin1String("kbd_backlight"));
}

std::optional<BacklightDevice> firstOf(const std::vector<BacklightDevice>& devices,
                                       bool (*matches)(const BacklightDevice&))
{
    const auto it = std::find_if(devices.begin(), devices.end(), matches);
    if (it == devices.end())
        return std::nullopt;
    return *it;
}

} // namespace

ToolLookup searchPathForTools()
{
    return [](const QString& name) { return QStandardPaths::findExecutable(name); };
}

std::vector<BacklightDevice> parseBacklightList(const QString& output)
{
    std::vector<BacklightDevice> devices;
    const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString& line : lines) {
        const QStringList fields = line.trimmed().split(QLatin1Char(','));
        if (fields.size() != 5)
            continue;
        BacklightDevice device;
        bool currentOk = false, maximumOk = false;
        device.name = fields.at(0);
        device.deviceClass = fields.at(1);
        device.current = fields.at(2).toInt(&currentOk);
        device.maximum = fields.at(4).toInt(&maximumOk);
        if (currentOk && maximumOk && device.maximum > 0 && device.current >= 0)
            devices.push_back(device);
    }
    return devices;
}

LinuxSoundAndBrightness::LinuxSoundAndBrightness(CommandRunner& commands, ToolLookup findTool)
    : commands_(commands), findTool_(std::move(findTool))
{
}

std::optional<QString> LinuxSoundAndBrightness::pactl(const QStringList& arguments)
{
    const QString tool = findTool_(QStringLiteral("pactl"));
    if (tool.isEmpty())
        return std::nullopt;
    // "Mute: yes" is translated in other languages; the C locale keeps it readable.
    const QString env = findTool_(QStringLiteral("env"));
    if (env.isEmpty())
        return commands_.runCommand(tool, arguments);
    return commands_.runCommand(env, QStringList{QStringLiteral("LC_ALL=C"), tool} + arguments);
}

VolumeState LinuxSoundAndBrightness::readVolumeState()
{
    VolumeState state;
    if (const auto output = pactl({QStringLiteral("get-sink-volume"), defaultSink})) {
        static const QRegularExpression percent(QStringLiteral("([0-9]+)%"));
        const QRegularExpressionMatch match = percent.match(*output);
        bool ok = false;
        const int volume = match.captured(1).toInt(&ok);
        if (match.hasMatch() && ok)
            state.volume = volume;
    }
    if (const auto output = pactl({QStringLiteral("get-sink-mute"), defaultSink})) {
        static const QRegularExpression mute(QStringLiteral("Mute:\\s*(yes|no)\\b"));
        const QRegularExpressionMatch match = mute.match(*output);
        if (match.hasMatch())
            state.muted = match.captured(1) == QLatin1String("yes");
    }
    return state;
}

void LinuxSoundAndBrightness::muteAll()
{
    setOutputVolume(0);
    setOutputMuted(true);
}

void LinuxSoundAndBrightness::setOutputVolume(int volume)
{
    pactl({QStringLiteral("set-sink-volume"), defaultSink, QStringLiteral("%1%").arg(volume)});
}

void LinuxSoundAndBrightness::setAlertVolume(int) {}

void LinuxSoundAndBrightness::setOutputMuted(bool muted)
{
    pactl({QStringLiteral("set-sink-mute"), defaultSink, muted ? QStringLiteral("1") : QStringLiteral("0")});
}

std::vector<BacklightDevice> LinuxSoundAndBrightness::backlights(std::chrono::milliseconds timeLimit)
{
    const QString tool = findTool_(QStringLiteral("brightnessctl"));
    if (tool.isEmpty())
        return {};
    return parseBacklightList(
        commands_.runCommand(tool, {QStringLiteral("-m"), QStringLiteral("-l")}, timeLimit).value_or(QString()));
}

std::optional<double> LinuxSoundAndBrightness::readFraction(const std::optional<BacklightDevice>& device)
{
    if (!device)
        return std::nullopt;
    return double(device->current) / double(device->maximum);
}

void LinuxSoundAndBrightness::setFraction(const std::optional<BacklightDevice>& device, double value,
                                          std::chrono::milliseconds timeLimit)
{
    if (!device || !std::isfinite(value))
        return;
    // The device's own steps, so that reading back gives the value written
    // whatever the device's range.
    const long steps = std::lround(value * device->maximum);
    commands_.runCommand(findTool_(QStringLiteral("brightnessctl")),
                         {QStringLiteral("-d"), device->name, QStringLiteral("set"), QString::number(steps)}, timeLimit);
}

std::optional<double> LinuxSoundAndBrightness::readBrightness()
{
    return readFraction(firstOf(backlights(), isScreenBacklight));
}

void LinuxSoundAndBrightness::setBrightness(double value)
{
    setFraction(firstOf(backlights(), isScreenBacklight), value);
}

std::optional<double> LinuxSoundAndBrightness::readKeyboardBrightness()
{
    return readFraction(firstOf(backlights(), isKeyboardBacklight));
}

void LinuxSoundAndBrightness::setKeyboardBrightness(double value)
{
    setFraction(firstOf(backlights(), isKeyboardBacklight), value);
}

void LinuxSoundAndBrightness::driveBrightnessToZero()
{
    // Runs on every tick of forced mode.
    const auto limit = perTickCommandTimeLimit;
    const auto devices = backlights(limit);
    setFraction(firstOf(devices, isScreenBacklight), 0.0, limit);
    setFraction(firstOf(devices, isKeyboardBacklight), 0.0, limit);
}

} // namespace launcher
