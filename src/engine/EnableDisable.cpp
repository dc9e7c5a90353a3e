#include "engine/StateStore.h"

namespace launcher {

std::optional<QString> StateStore::canStartMode()
{
    const PowerSnapshot snapshot = currentPowerSnapshot();
    if (snapshot.source == PowerSourceKind::battery) {
        if (!preferences_.allowOnBattery)
            return localized(QStringLiteral("当前是电池供电，已禁止进入挂机"),
                             QStringLiteral("Battery power is currently blocked for awake mode"));
        if (snapshot.batteryPercent && *snapshot.batteryPercent < preferences_.minimumBatteryPercentage)
            return localized(QStringLiteral("当前电量低于最低电量限制"),
                             QStringLiteral("Battery level is below the configured minimum"));
    }
    if (snapshot.source == PowerSourceKind::ac && !preferences_.allowOnAC)
        return localized(QStringLiteral("当前接通电源，已禁止进入挂机"),
                         QStringLiteral("AC power is currently blocked for awake mode"));
    if (preferences_.requireMoviePlayback && !isMoviePlaybackDetected())
        return localized(QStringLiteral("未检测到电影播放器，暂不进入挂机"),
                         QStringLiteral("No movie playback detected, awake mode is blocked"));
    return std::nullopt;
}

void StateStore::enable(AwakeMode requested)
{
    if (requested == AwakeMode::off) {
        disable(DisableReason::manual, true);
        return;
    }
    reconnectIfPossible();
    if (mode() == requested && isRecordedProcessAlive())
        return;

    // Switching modes restores what forced mode changed and logs no stop.
    disable(DisableReason::manual, false);

    if (!startKeepAwakeProcess(requested)) {
        forgetProcess();
        platform_.beep.beep();
        return;
    }
    state_.mode = requested;
    state_.startedAt = now();

    if (requested != AwakeMode::forced) {
        leaveForcedMode();
        appendHistory(QStringLiteral("enable"), AwakeMode::normal, QStringLiteral("进入挂机"));
    } else {
        capture_.capture();
        beginForcedMode();
        if (preferences_.muteInForced) {
            // Late enough that the menu that started the mode has closed.
            platform_.clock.singleShot(forcedMuteDelay, guarded([](StateStore& store) {
                if (store.mode() == AwakeMode::forced && store.preferences().muteInForced)
                    store.platform_.sound.muteAll();
            }));
        }
        appendHistory(QStringLiteral("enable"), AwakeMode::forced, QStringLiteral("进入强制挂机"));
    }
    saveState();
}

void StateStore::disable(DisableReason reason, bool shouldLog)
{
    const bool wasForced = mode() == AwakeMode::forced;
    const double elapsed = state_.startedAt ? now() - *state_.startedAt : 0.0;

    stopForcedMachinery();
    cancelScheduledStop(false);

    stopKeepAwakeProcess();

    if (wasForced)
        capture_.restore();

    forgetProcess();
    saveState();

    if (wasForced)
        forced_.hideBlackoutAfter(blackoutRemovalDelay);
    else
        forced_.hideBlackout();

    const std::optional<QString> estimate =
        wasForced && elapsed > 1.0 ? forcedSavingEstimate(elapsed) : std::nullopt;

    if (shouldLog) {
        QString note = historyNote(reason);
        if (estimate)
            note += QStringLiteral("；") + *estimate;
        appendHistory(QStringLiteral("disable"), AwakeMode::off, note);
    }

    if (const auto own = notice(reason))
        sendNotice(estimate ? *own + QStringLiteral(" · ") + *estimate : *own);
    else if (estimate)
        sendNotice(*estimate);
}

std::optional<QString> StateStore::forcedSavingEstimate(double elapsedSeconds)
{
    const MachineProfile& machine = machineProfile();
    const RegionalElectricityProfile electricity = inferredElectricityProfile();
    const double savedWh =
        elapsedSeconds * std::max(0.0, machine.normalModeWatts - machine.forcedModeWatts) / 3600.0;
    const QString money = formatCurrency(electricity.ratePerKWh * savedWh / 1000.0, electricity);
    const QString energy = QString::asprintf("%.2f", savedWh);
    return localized(QStringLiteral("按") + machine.label + QStringLiteral("估算，约省电") + energy
                         + QStringLiteral("Wh，约省") + money,
                     QStringLiteral("Estimated on ") + machine.label + QStringLiteral(": saved about ") + energy
                         + QStringLiteral("Wh and ") + money);
}

void StateStore::sendNotice(const QString& text)
{
    if (onNotice_)
        onNotice_(text);
}

// --- scheduled stop

void StateStore::scheduleAutoDisable(double seconds)
{
    scheduledStop_.schedule(seconds);
}

void StateStore::cancelScheduledStop(bool showNotice)
{
    if (scheduledStop_.cancel() && showNotice)
        sendNotice(QStringLiteral("已取消定时关闭"));
}

} // namespace launcher
