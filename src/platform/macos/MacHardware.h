#pragma once

#include "platform/Platform.h"

namespace launcher {

// The hardware overview as the system profiler prints it.
class MacHardware final : public Hardware {
public:
    explicit MacHardware(CommandRunner& commands) : commands_(commands) {}
    std::optional<QString> hardwareOverview() override;

private:
    CommandRunner& commands_;
};

} // namespace launcher
