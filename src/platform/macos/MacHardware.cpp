#include "platform/macos/MacHardware.h"

namespace launcher {

std::optional<QString> MacHardware::hardwareOverview()
{
    return commands_.runCommand(QStringLiteral("/usr/sbin/system_profiler"), {QStringLiteral("SPHardwareDataType")});
}

} // namespace launcher
