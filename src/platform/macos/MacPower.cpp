#include "platform/macos/MacPower.h"

#include <QRegularExpression>

namespace launcher {

namespace {
const QString pmset = QStringLiteral("/usr/bin/pmset");
}

PowerSnapshot parsePowerReport(const QString& output)
{
    PowerSnapshot snapshot;
    snapshot.rawText = output.trimmed();

    const QString lower = snapshot.rawText.toLower();
    if (lower.contains(QLatin1String("battery power")))
        snapshot.source = PowerSourceKind::battery;
    else if (lower.contains(QLatin1String("ac power")) || lower.contains(QLatin1String("charged")))
        snapshot.source = PowerSourceKind::ac;

    static const QRegularExpression percent(QStringLiteral("([0-9]{1,3})%"));
    const QRegularExpressionMatch match = percent.match(snapshot.rawText);
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

QString MacPower::powerAssertionsText()
{
    return commands_.runCommand(pmset, {QStringLiteral("-g"), QStringLiteral("assertions")}).value_or(QString());
}

} // namespace launcher
