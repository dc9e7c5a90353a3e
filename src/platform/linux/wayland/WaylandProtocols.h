#pragma once

#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace launcher {

// The compositor's own protocols that a Wayland session may offer (layer
// shell, idle notification, output power), reached on a connection of the
// program's own beside Qt's, and served from Qt's event loop.
class WaylandProtocols {
public:
    virtual ~WaylandProtocols() = default;

    // Black surfaces on the overlay layer, above the panels, one per output;
    // outputs that appear or vanish while it lives are covered or dropped.
    // They take the keyboard and hide the pointer. Input on them is passed
    // to onInput. Null where layer shell is not offered.
    virtual bool offersOverlayCovers() const = 0;
    virtual std::unique_ptr<BlackoutWindow> createOverlayCovers(std::function<void(WakeEventType)> onInput) = 0;

    // While a handler is set, it is called at input anywhere in the session
    // (after the short idle gap the protocol needs to notice it). An empty
    // function stops watching.
    virtual bool offersIdleNotification() const = 0;
    virtual void watchIdle(std::function<void()> onInput) = 0;

    // Switches every output off or back on.
    virtual bool offersOutputPower() const = 0;
    virtual void setOutputsPowered(bool on) = 0;
    // True when every output is off; absent where output power is not offered.
    virtual std::optional<bool> outputsAsleep() const = 0;
};

// Connects to the session's compositor; null when there is none to reach.
std::unique_ptr<WaylandProtocols> connectWaylandProtocols();

} // namespace launcher
