#include "platform/SystemPlatform.h"

#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/ProcessCommandRunner.h"
#include "platform/QtClock.h"
#include "platform/SystemEnvironment.h"
#include "platform/linux/LinuxAutostart.h"
#include "platform/linux/LinuxBeep.h"
#include "platform/linux/LinuxHardware.h"
#include "platform/linux/LinuxInputIdle.h"
#include "platform/linux/LinuxPower.h"
#include "platform/linux/LinuxRunningApplications.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/LinuxSoundAndBrightness.h"

namespace launcher {

struct SystemPlatform::Parts {
    QtClock clock;
    ProcessCommandRunner commands;
    PosixKeepAwakeLauncher keepAwake{defaultKeepAwakeProgram()};
    SystemEnvironment environment;
    LinuxScreenEvents screenEvents{clock};
    LinuxBeep beep;
    LinuxInputIdle input;
    LinuxScreens screens;
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
