#pragma once

#include "platform/Platform.h"

#include <vector>

namespace launcher {

// One inhibitor lock as logind lists it.
struct Inhibitor {
    QString what; // colon-separated: "sleep:idle"
    QString who;
    QString why;
};

// Whether one of the locks keeps the screen from idling for a video player.
bool inhibitorsShowVideo(const std::vector<Inhibitor>& inhibitors);

// Power source and charge from the kernel's power-supply folder; inhibitors
// from logind on the system bus.
class LinuxPower final : public Power {
public:
    explicit LinuxPower(QString powerSupplyRoot = QStringLiteral("/sys/class/power_supply"));
    PowerSnapshot currentPowerSnapshot() override;
    // From logind's inhibitors; false without a system bus or logind.
    bool isVideoPlaying() override;

private:
    QString root_;
};

} // namespace launcher
