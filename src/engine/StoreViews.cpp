#include "engine/StateStore.h"
#include "store/IncrementalHistoryReader.h"
#include "store/Labels.h"

// The store's view of its history, estimates and labels: the values come
// from plain functions over what the store holds.

namespace launcher {

std::vector<HistorySession> StateStore::historySessions()
{
    if (!historyReader_)
        historyReader_ = std::make_shared<IncrementalHistoryReader>(historyFile_);
    return historyReader_->sessions(RunningSession{mode(), startedAt()}, now());
}


const MachineProfile& StateStore::machineProfile()
{
    // The hardware query is slow; a failed one is not retried either.
    if (!cachedMachineProfile_)
        cachedMachineProfile_ = machineProfileFor(platform_.hardware.machineDescription());
    return *cachedMachineProfile_;
}

RegionalElectricityProfile StateStore::inferredElectricityProfile() const
{
    const Environment& environment = platform_.environment;
    return electricityProfileFor(environment.timeZoneId(), environment.regionCode(), effectiveLanguage());
}

QString StateStore::formatCurrency(double amount, const RegionalElectricityProfile& profile)
{
    return formatCurrencyAmount(amount, profile);
}

EnergyDashboardSummary StateStore::energyDashboardSummary(const std::vector<HistorySession>& sessions)
{
    const RegionalElectricityProfile profile = inferredElectricityProfile();
    return energySummary(sessions, machineProfile(), profile, effectiveLanguage());
}

QString StateStore::durationLabel() const
{
    return launcher::durationLabel(mode(), startedAt(), now());
}

QString StateStore::durationLabelForStatusBar() const
{
    return launcher::durationLabelForStatusBar(mode(), startedAt(), scheduledStopAt(), now());
}

QString StateStore::scheduleLabel(const std::function<QString(const QString&, const QString&)>& localizer) const
{
    const std::optional<QString> remaining =
        remainingTimeLabel(mode(), scheduledStopAt(), now(), effectiveLanguage() == AppLanguage::english);
    return remaining ? *remaining : localizer(QStringLiteral("未设置"), QStringLiteral("Not set"));
}

} // namespace launcher
