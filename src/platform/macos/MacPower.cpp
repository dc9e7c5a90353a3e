#include "platform/macos/MacPower.h"

#include <QRegularExpression>

namespace launcher {

namespace {
const QString pmset = QStringLiteral("/usr/bin/pmset");
}

PowerSnapshot parsePowerReport(const QString& output)
{
    PowerSnapshot snapshot;
    const QString lower = output.toLower();
    if (lower.contains(QLatin1String("battery power")))
        snapshot.source = PowerSourceKind::battery;
    else if (lower.contains(QLatin1String("ac power")) || lower.contains(QLatin1String("charged")))
        snapshot.source = PowerSourceKind::ac;

    static const QRegularExpression percent(QStringLiteral("([0-9]{1,3})%"));
    const QRegularExpressionMatch match = percent.match(output);
    if (match.hasMatch()) {
        bool ok = false;
        const int value = match.captured(1).toInt(&ok);
        if (ok)
            snapshot.batteryPercent = value;
    }
    return snapshot;
}

PowerSnapshot MacPower::currentPowerSnapshot()
{
    return parsePowerReport(
        commands_.runCommand(pmset, {QStringLiteral("-g"), QStringLiteral("batt")}, perTickCommandTimeLimit)
            .value_or(QString()));
}

bool assertionsShowVideo(const QString& output)
{
    // A player holding the display awake, or the system's media and decoder services.
    static const QStringList playbackWords{
        QStringLiteral("preventuseridledisplaysleep 1"),
        QStringLiteral("coremedia"),
        QStringLiteral("vtdecoderxpcservice"),
        QStringLiteral("avplayback"),
        QStringLiteral("quicktime"),
        QStringLiteral("iina"),
        QStringLiteral("vlc"),
    };
    const QString lower = output.toLower();
    for (const QString& word : playbackWords)
        if (lower.contains(word))
            return true;
    return false;
}

bool MacPower::isVideoPlaying()
{
    return assertionsShowVideo(
        commands_.runCommand(pmset, {QStringLiteral("-g"), QStringLiteral("assertions")}).value_or(QString()));
}

} // namespace launcher
