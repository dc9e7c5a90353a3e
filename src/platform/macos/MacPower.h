#pragma once

#include "platform/Platform.h"

namespace launcher {

// What pmset's battery report says about the power source and charge.
PowerSnapshot parsePowerReport(const QString& output);
// Whether pmset's list of power assertions shows video playing.
bool assertionsShowVideo(const QString& output);

// Power source and assertions through the system's power-management tool.
class MacPower final : public Power {
public:
    explicit MacPower(CommandRunner& commands) : commands_(commands) {}
    PowerSnapshot currentPowerSnapshot() override;
    bool isVideoPlaying() override;

private:
    CommandRunner& commands_;
};

} // namespace launcher
