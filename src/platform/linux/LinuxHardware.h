#pragma once

#include "platform/Platform.h"

namespace launcher {

// The overview lines composed from the firmware's product name and the
// processor's model name, so the same reader applies as on macOS.
class LinuxHardware final : public Hardware {
public:
    // root: the file system's top, "/" except in tests.
    explicit LinuxHardware(QString root = QStringLiteral("/"));
    std::optional<QString> hardwareOverview() override;

private:
    QString root_;
};

} // namespace launcher
