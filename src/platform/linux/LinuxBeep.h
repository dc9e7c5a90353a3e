#pragma once

#include "platform/Platform.h"

namespace launcher {

// The X server's bell.
class LinuxBeep final : public SystemBeep {
public:
    void beep() override;
};

} // namespace launcher
