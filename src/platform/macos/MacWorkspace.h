#pragma once

#include "platform/Platform.h"

namespace launcher {

// Displayed names of the applications the workspace knows to be running.
class MacRunningApplications final : public RunningApplications {
public:
    QStringList displayedNames() override;
};

class MacBeep final : public SystemBeep {
public:
    void beep() override;
};

} // namespace launcher
