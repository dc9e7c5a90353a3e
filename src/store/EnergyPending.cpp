// TEMPORARY: the machine's failure profile and the default region until the
// estimate module lands. Deleted when it does.
#include "engine/StateStore.h"

namespace launcher {

const MachineProfile& StateStore::machineProfile()
{
    if (!cachedMachineProfile_)
        cachedMachineProfile_ = MachineProfile{QStringLiteral("Mac"), 12.0, 5.8};
    return *cachedMachineProfile_;
}

RegionalElectricityProfile StateStore::inferredElectricityProfile() const
{
    return RegionalElectricityProfile{QStringLiteral("US"), 0.18, QStringLiteral("USD"), QStringLiteral("en_US")};
}

QString StateStore::formatCurrency(double amount, const RegionalElectricityProfile&)
{
    return QString::asprintf("$%.2f", amount);
}

} // namespace launcher
