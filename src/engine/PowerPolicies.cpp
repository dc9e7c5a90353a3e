#include "engine/StateStore.h"

#include <QSet>

namespace launcher {

namespace {

const QStringList movieApplications{
    QStringLiteral("iina"), QStringLiteral("vlc"),        QStringLiteral("quicktime player"),
    QStringLiteral("tv"),   QStringLiteral("movist pro"), QStringLiteral("infuse"),
};

} // namespace

PowerSnapshot StateStore::currentPowerSnapshot()
{
    return platform_.power.currentPowerSnapshot();
}

QString StateStore::currentPowerSourceTitle()
{
    return currentPowerSourceTitle(currentPowerSnapshot());
}

QString StateStore::currentBatteryTitle()
{
    return currentBatteryTitle(currentPowerSnapshot());
}

QString StateStore::currentPowerSourceTitle(const PowerSnapshot& snapshot) const
{
    switch (snapshot.source) {
    case PowerSourceKind::battery: return localized(QStringLiteral("电池供电"), QStringLiteral("Battery"));
    case PowerSourceKind::ac: return localized(QStringLiteral("电源适配器"), QStringLiteral("AC Power"));
    case PowerSourceKind::unknown: break;
    }
    return localized(QStringLiteral("未知"), QStringLiteral("Unknown"));
}

QString StateStore::currentBatteryTitle(const PowerSnapshot& snapshot) const
{
    if (snapshot.batteryPercent)
        return QString::number(*snapshot.batteryPercent) + QLatin1Char('%');
    return localized(QStringLiteral("未检测到"), QStringLiteral("Unavailable"));
}

bool StateStore::isMoviePlaybackDetected()
{
    QSet<QString> running;
    for (const QString& name : platform_.applications.displayedNames())
        if (!name.isEmpty())
            running.insert(name.toLower());
    for (const QString& movieApp : movieApplications)
        if (running.contains(movieApp))
            return true;
    return platform_.power.isVideoPlaying();
}

void StateStore::enforceRuntimePoliciesIfNeeded()
{
    if (mode() == AwakeMode::off)
        return;
    const PowerSnapshot snapshot = currentPowerSnapshot();

    const auto stopWith = [this](const QString& zh, const QString& en) {
        disable(DisableReason::conditionsUnmet, true);
        sendNotice(localized(zh, en));
    };

    switch (snapshot.source) {
    case PowerSourceKind::ac:
        if (!preferences_.allowOnAC)
            stopWith(QStringLiteral("已切回正常：当前接通电源，设置禁止继续挂机"),
                     QStringLiteral("Awake mode stopped: AC power is not allowed"));
        return;
    case PowerSourceKind::unknown:
        return;
    case PowerSourceKind::battery:
        if (!preferences_.allowOnBattery)
            stopWith(QStringLiteral("已切回正常：当前为电池供电，设置禁止继续挂机"),
                     QStringLiteral("Awake mode stopped: battery power is not allowed"));
        else if (snapshot.batteryPercent && *snapshot.batteryPercent < preferences_.minimumBatteryPercentage)
            stopWith(QStringLiteral("已切回正常：电量已低于最低限制"),
                     QStringLiteral("Awake mode stopped: battery level fell below minimum"));
        return;
    }
}

} // namespace launcher
