#pragma once

#include "platform/Platform.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace launcher {

// What a Wayland compositor may offer beyond Qt's windows: covers above its
// panels, notice of input anywhere in the session, and output power. Reached
// through its protocols on a connection of the program's own, or through its
// D-Bus services; served from Qt's event loop.
class CompositorServices {
public:
    virtual ~CompositorServices() = default;

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

// Through the compositor's Wayland protocols (wlroots, KDE); null when there
// is no compositor to reach.
std::unique_ptr<CompositorServices> connectWaylandProtocols();

} // namespace launcher
