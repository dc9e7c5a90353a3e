#pragma once

#include <QString>

namespace launcher {

struct MachineProfile {
    QString label;
    double normalModeWatts = 12.0;
    double forcedModeWatts = 5.8;
};

struct RegionalElectricityProfile {
    QString locationLabel;
    double ratePerKWh = 0.18;
    QString currencyCode = QStringLiteral("USD");
    QString localeIdentifier = QStringLiteral("en_US");
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
};

} // namespace launcher
