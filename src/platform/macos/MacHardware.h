#pragma once

#include "platform/Platform.h"

namespace launcher {

// Model and chip from the system profiler's hardware overview.
class MacHardware final : public Hardware {
public:
    explicit MacHardware(CommandRunner& commands) : commands_(commands) {}
    MachineDescription machineDescription() override;

private:
    CommandRunner& commands_;
};

} // namespace launcher
