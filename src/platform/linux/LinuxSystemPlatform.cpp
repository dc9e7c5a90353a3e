#include "platform/SystemPlatform.h"

#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/ProcessCommandRunner.h"
#include "platform/QtClock.h"
#include "platform/SystemEnvironment.h"
#include "platform/linux/LinuxAutostart.h"
#include "platform/linux/LinuxBeep.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxHardware.h"
#include "platform/linux/LinuxInputIdle.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/LinuxRunningApplications.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/LinuxSoundAndBrightness.h"
#include "platform/linux/wayland/MutterServices.h"
#include "platform/linux/wayland/WaylandParts.h"

namespace launcher {

namespace {

// The X11 parts, as they always were.
struct X11Parts {
    explicit X11Parts(Clock& clock) : screenEvents(clock) {}
    LinuxScreenEvents screenEvents;
    LinuxInputIdle input;
    LinuxScreens screens;
};

} // namespace

struct SystemPlatform::Parts {
    QtClock clock;
    ProcessCommandRunner commands;
    PosixKeepAwakeLauncher keepAwake{defaultKeepAwakeProgram()};
    SystemEnvironment environment;
    // One of the two; the references below point into it.
    std::unique_ptr<WaylandParts> wayland = runsOnWayland()
        ? std::make_unique<WaylandParts>(clock, chooseCompositorServices(connectWaylandProtocols(), [] {
              return std::unique_ptr<CompositorServices>(MutterServices::connect());
          }))
        : nullptr;
    std::unique_ptr<X11Parts> x11 = wayland ? nullptr : std::make_unique<X11Parts>(clock);
    ScreenEvents& screenEvents = wayland ? static_cast<ScreenEvents&>(wayland->screenEvents) : x11->screenEvents;
    LinuxBeep beep;
    InputIdle& input = wayland ? static_cast<InputIdle&>(wayland->input) : x11->input;
    Screens& screens = wayland ? static_cast<Screens&>(wayland->screens) : x11->screens;
    LinuxRunningApplications applications;
    LinuxPower power;
    LinuxSoundAndBrightness sound{commands};
    LinuxHardware hardware;
    LinuxAutostart loginItem{environment};
};

SystemPlatform::SystemPlatform() : parts_(std::make_unique<Parts>()) {}

SystemPlatform::~SystemPlatform() = default;

Platform SystemPlatform::platform()
{
    return platformOf(*parts_);
}

} // namespace launcher
