#include "platform/SystemPlatform.h"

#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/ProcessCommandRunner.h"
#include "platform/QtClock.h"
#include "platform/SystemEnvironment.h"
#include "platform/macos/MacHardware.h"
#include "platform/macos/MacInputIdle.h"
#include "platform/macos/MacLaunchAgent.h"
#include "platform/macos/MacPower.h"
#include "platform/macos/MacScreens.h"
#include "platform/macos/MacSoundAndBrightness.h"
#include "platform/macos/MacWorkspace.h"

namespace launcher {

struct SystemPlatform::Parts {
    QtClock clock;
    ProcessCommandRunner commands;
    PosixKeepAwakeLauncher keepAwake{defaultKeepAwakeProgram()};
    SystemEnvironment environment;
    MacScreenEvents screenEvents;
    MacBeep beep;
    MacInputIdle input;
    MacScreens screens{commands};
    MacRunningApplications applications;
    MacPower power{commands};
    MacSoundAndBrightness sound{commands};
    MacHardware hardware{commands};
    MacLaunchAgent loginItem{environment, commands};
};

SystemPlatform::SystemPlatform() : parts_(std::make_unique<Parts>()) {}

SystemPlatform::~SystemPlatform() = default;

Platform SystemPlatform::platform()
{
    return platformOf(*parts_);
}

} // namespace launcher
