#include "platform/macos/MacSoundAndBrightness.h"

#include <QRegularExpression>

#include <charconv>
#include <cmath>

namespace launcher {

namespace {

const QString osascript = QStringLiteral("/usr/bin/osascript");
const QString brightnessTool = QStringLiteral("/opt/homebrew/bin/brightness");
const QString keyboardTool = QStringLiteral("/opt/homebrew/bin/mac-brightnessctl");

// Digits with an optional sign and nothing else around them.
std::optional<int> parseDecimalInteger(const QString& text)
{
    static const QRegularExpression integer(QStringLiteral("\\A[+-]?[0-9]+\\z"));
    if (!integer.match(text).hasMatch())
        return std::nullopt;
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

std::optional<double> firstNumber(const std::optional<QString>& output, const QRegularExpression& pattern)
{
    const QRegularExpressionMatch match = pattern.match(output.value_or(QString()).trimmed());
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

} // namespace

VolumeState parseVolumeReport(const QString& output)
{
    const QStringList pieces = output.trimmed().split(QLatin1Char('|'), Qt::KeepEmptyParts);
    VolumeState state;
    state.volume = parseDecimalInteger(pieces.at(0));
    if (pieces.size() >= 2)
        state.muted = pieces.at(1).toLower() == QLatin1String("true");
    if (pieces.size() >= 3)
        state.alert = parseDecimalInteger(pieces.at(2));
    return state;
}

std::optional<QString> brightnessArgument(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    char buffer[400];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return std::nullopt;
    QString text = QString::fromLatin1(buffer, int(result.ptr - buffer));
    if (!text.contains(QLatin1Char('.')))
        text += QStringLiteral(".0");
    return text;
}

std::optional<QString> MacSoundAndBrightness::runScript(const QString& script)
{
    return commands_.runCommand(osascript, {QStringLiteral("-e"), script});
}

VolumeState MacSoundAndBrightness::readVolumeState()
{
    return parseVolumeReport(runScript(QStringLiteral(
        "output volume of (get volume settings) & \"|\" & output muted of (get volume settings) & \"|\" & "
        "alert volume of (get volume settings)")).value_or(QString()));
}

void MacSoundAndBrightness::muteAll()
{
    runScript(QStringLiteral("set volume alert volume 0"));
    runScript(QStringLiteral("set volume output volume 0"));
    runScript(QStringLiteral("set volume with output muted"));
}

void MacSoundAndBrightness::setOutputVolume(int volume)
{
    runScript(QStringLiteral("set volume output volume %1").arg(volume));
}

void MacSoundAndBrightness::setAlertVolume(int volume)
{
    runScript(QStringLiteral("set volume alert volume %1").arg(volume));
}

void MacSoundAndBrightness::setOutputMuted(bool muted)
{
    runScript(muted ? QStringLiteral("set volume with output muted") : QStringLiteral("set volume without output muted"));
}

std::optional<double> MacSoundAndBrightness::readBrightness()
{
    static const QRegularExpression pattern(QStringLiteral("brightness ([0-9]*\\.?[0-9]+)"));
    return firstNumber(commands_.runCommand(brightnessTool, {QStringLiteral("-l")}), pattern);
}

void MacSoundAndBrightness::setBrightness(double value)
{
    if (const auto text = brightnessArgument(value))
        commands_.runCommand(brightnessTool, {*text});
}

std::optional<double> MacSoundAndBrightness::readKeyboardBrightness()
{
    static const QRegularExpression pattern(QStringLiteral("Current brightness:\\s*([0-9]*\\.?[0-9]+)"));
    const auto value = firstNumber(commands_.runCommand(keyboardTool, {}), pattern);
    if (value && *value < 0)
        return std::nullopt;
    return value;
}

void MacSoundAndBrightness::setKeyboardBrightness(double value)
{
    if (const auto text = brightnessArgument(value))
        commands_.runCommand(keyboardTool, {*text});
}

void MacSoundAndBrightness::driveBrightnessToZero()
{
    // Several spellings, since the tools' versions disagree on what they accept.
    const auto limit = perTickCommandTimeLimit;
    commands_.runCommand(brightnessTool, {QStringLiteral("0")}, limit);
    commands_.runCommand(brightnessTool, {QStringLiteral("0.0")}, limit);
    commands_.runCommand(brightnessTool, {QStringLiteral("-v"), QStringLiteral("0.0")}, limit);
    commands_.runCommand(keyboardTool, {QStringLiteral("-a"), QStringLiteral("0")}, limit);
    commands_.runCommand(keyboardTool, {QStringLiteral("0.0")}, limit);
}

} // namespace launcher
