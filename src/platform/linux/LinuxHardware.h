#pragma once

#include "platform/Platform.h"

namespace launcher {

// The machine as the firmware's DMI table and the kernel's processor list
// name it: vendor and product, processor model and chassis type.
class LinuxHardware final : public Hardware {
public:
    // root: the file system's top, "/" except in tests.
    explicit LinuxHardware(QString root = QStringLiteral("/"));
    MachineDescription machineDescription() override;

private:
    QString root_;
};

// The machine class of an SMBIOS chassis type number.
MachineClass machineClassOfChassis(int chassisType);

} // namespace launcher
