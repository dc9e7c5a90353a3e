#pragma once

#include "platform/Platform.h"

namespace launcher {

// Idle ages straight from the window server's per-type event counters.
class MacInputIdle final : public InputIdle {
public:
    double secondsSinceLastEvent(WakeEventType type) override;
    // The counters are kept by the system whether asked or not.
    void setWatching(bool) override {}
};

} // namespace launcher
