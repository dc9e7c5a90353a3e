#pragma once

#include "platform/Platform.h"

namespace launcher {

// Power source and charge from the kernel's power-supply folder; inhibitors
// from logind on the system bus.
class LinuxPower final : public Power {
public:
    explicit LinuxPower(QString powerSupplyRoot = QStringLiteral("/sys/class/power_supply"));
    PowerSnapshot currentPowerSnapshot() override;
    // One line per logind inhibitor; empty without a system bus or logind.
    QString powerAssertionsText() override;

private:
    QString root_;
};

} // namespace launcher
