#pragma once

#include "store/HistorySessions.h"
#include "store/Localization.h"
#include "store/Machine.h"

#include <QString>

#include <optional>
#include <vector>

namespace launcher {

struct MachineProfile {
    QString label;
    double normalModeWatts = 12.0;
    double forcedModeWatts = 5.8;
    MachineClass machineClass = MachineClass::mac;

    bool operator==(const MachineProfile&) const = default;
};

struct RegionalElectricityProfile {
    QString locationLabel;
    double ratePerKWh = 0.18;
    QString currencyCode = QStringLiteral("USD");
    QString localeIdentifier = QStringLiteral("en_US");

    bool operator==(const RegionalElectricityProfile&) const = default;
};

struct EnergyDashboardSummary {
    QString machineLabel;
    QString locationLabel;
    QString rateLabel;
    QString totalEnergyLabel;
    QString totalSpentLabel;
    QString savedEnergyLabel;
    QString savedMoneyLabel;
    QString noteLabel;

    bool operator==(const EnergyDashboardSummary&) const = default;
};

// Label and assumed power draw. A Mac's watts follow its model name, and a
// Mac whose model is unknown is a plain "Mac" with average watts; any other
// computer's follow its class.
MachineProfile machineProfileFor(const MachineDescription& machine);

// Price and currency for the time zone, or failing that the region code (two
// letters; empty means none). The label is in the given language, which is
// Chinese unless it is English.
RegionalElectricityProfile electricityProfileFor(const QString& timeZoneId, const QString& regionCode,
                                                 AppLanguage language);

// The region's name in "en_US" for English and "zh_CN" otherwise; the code
// itself when the locale data has no name for it.
QString regionDisplayName(const QString& regionCode, AppLanguage language);

// "%.2f Wh" below 0.01 kWh, "%.3f kWh" from there on.
QString formatEnergyAmount(double kWh);

// Locale-aware currency text, or the fixed fallback per currency code when
// the locale cannot format it.
QString formatCurrencyAmount(double amount, const RegionalElectricityProfile& profile);

// The estimate panel's texts for these sessions.
EnergyDashboardSummary energySummary(const std::vector<HistorySession>& sessions, const MachineProfile& machine,
                                     const RegionalElectricityProfile& profile, AppLanguage language);

} // namespace launcher
