#pragma once

#include "platform/Platform.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/wayland/CompositorServices.h"

#include <functional>
#include <map>
#include <memory>

namespace launcher {

// Seconds on a clock that never goes back; the default is the steady clock.
using MonotonicSeconds = std::function<double()>;

// Wayland tells a client nothing about input to other clients, so the ages
// are kept here from what is reported: the covers' own events and the
// compositor's notice of input anywhere. The engine's watch then judges
// them exactly as it judges the X server's.
class WaylandInputIdle final : public InputIdle {
public:
    explicit WaylandInputIdle(MonotonicSeconds seconds = {});

    void noteInput(WakeEventType type);
    double secondsSinceLastEvent(WakeEventType type) override;
    // Called with the new state; the compositor's notice costs a watch there.
    void setWatching(bool watching) override;
    std::function<void(bool watching)> onWatchingChanged;

private:
    MonotonicSeconds seconds_;
    double startedAt_;
    bool watching_ = false;
    std::map<WakeEventType, double> lastEventAt_;
};

// Black full-screen windows, one per screen, following screens that come and
// go, with the pointer hidden over them. Their own input is reported.
std::unique_ptr<BlackoutWindow> createFullScreenCovers(std::function<void(WakeEventType)> onInput);

// Covers and display power through the compositor. Hiding the pointer is the
// covers' own business on Wayland: there is no global cursor to hide.
class WaylandScreens final : public Screens {
public:
    WaylandScreens(CompositorServices* services, std::function<void(WakeEventType)> onInput);

    std::vector<std::unique_ptr<BlackoutWindow>> createBlackoutWindows() override;
    void hideCursor() override {}
    void showCursor() override {}
    void sleepDisplaysNow() override;
    void restoreDisplaySleepSettings() override;
    bool canSleepDisplays() const override;

    // Input while the outputs are off wakes them, as an X server does with
    // DPMS; their waking then ends forced mode as it does there.
    void inputArrived();

private:
    CompositorServices* services_;
    std::function<void(WakeEventType)> onInput_;
    bool poweredOff_ = false;
};

// Screens, input ages and screen events for a Qt application on Wayland,
// wired to each other and to whatever the compositor offers (possibly nothing).
class WaylandParts {
    // First: the parts below hold it.
    std::unique_ptr<CompositorServices> services_;

public:
    WaylandParts(Clock& clock, std::unique_ptr<CompositorServices> services, MonotonicSeconds seconds = {});
    WaylandParts(const WaylandParts&) = delete;
    WaylandParts& operator=(const WaylandParts&) = delete;

    WaylandInputIdle input;
    WaylandScreens screens;
    LinuxScreenEvents screenEvents;

private:
    void inputArrived(WakeEventType type);
};

// The first that offers anything: the compositor's protocols, else its D-Bus
// services; null when neither does.
std::unique_ptr<CompositorServices> chooseCompositorServices(
    std::unique_ptr<CompositorServices> protocols,
    const std::function<std::unique_ptr<CompositorServices>()>& dbusServices);

} // namespace launcher
