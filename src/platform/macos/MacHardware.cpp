#include "platform/macos/MacHardware.h"

namespace launcher {

MachineDescription MacHardware::machineDescription()
{
    const auto overview =
        commands_.runCommand(QStringLiteral("/usr/sbin/system_profiler"), {QStringLiteral("SPHardwareDataType")});
    return macDescriptionFromOverview(overview.value_or(QString()));
}

} // namespace launcher
