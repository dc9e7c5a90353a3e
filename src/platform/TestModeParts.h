#pragma once

// The test mode ("PELVANE_TEST_MODE" = "1") changes no sound, brightness,
// display or window. Instead of asking the engine to skip steps, the program
// hands it parts that record what they are asked and leave the machine alone.

#include "platform/Platform.h"

#include <QStringList>

#include <map>
#include <utility>

namespace launcher {

// Fixed readings; every change is only written down.
class InertSoundAndBrightness final : public SoundAndBrightness {
public:
    VolumeState readVolumeState() override { return VolumeState{35, false, 50}; }
    void muteAll() override { requests << QStringLiteral("muteAll"); }
    void setOutputVolume(int volume) override { requests << QStringLiteral("setOutputVolume %1").arg(volume); }
    void setAlertVolume(int volume) override { requests << QStringLiteral("setAlertVolume %1").arg(volume); }
    void setOutputMuted(bool muted) override
    {
        requests << (muted ? QStringLiteral("setOutputMuted true") : QStringLiteral("setOutputMuted false"));
    }
    std::optional<double> readBrightness() override { return 0.62; }
    void setBrightness(double value) override { requests << QStringLiteral("setBrightness %1").arg(value); }
    std::optional<double> readKeyboardBrightness() override { return 0.55; }
    void setKeyboardBrightness(double value) override
    {
        requests << QStringLiteral("setKeyboardBrightness %1").arg(value);
    }
    void driveBrightnessToZero() override { requests << QStringLiteral("driveBrightnessToZero"); }

    QStringList requests;
};

// No windows and no cursor change; told to sleep, the displays report that
// they did at once. Sleep and wake of the real screens still arrive through
// the screen events it wraps.
class SleepReportingScreens final : public Screens, public ScreenEvents {
public:
    explicit SleepReportingScreens(ScreenEvents& real) : real_(real) {}

    std::vector<std::unique_ptr<BlackoutWindow>> createBlackoutWindows() override { return {}; }
    void hideCursor() override { requests << QStringLiteral("hideCursor"); }
    void showCursor() override { requests << QStringLiteral("showCursor"); }
    void sleepDisplaysNow() override;
    void restoreDisplaySleepSettings() override { requests << QStringLiteral("restoreDisplaySleepSettings"); }

    Token addObserver(ScreenEvent event, std::function<void()> handler) override;
    void removeObserver(Token token) override;
    void setWatching(bool watching) override { real_.setWatching(watching); }

    QStringList requests;

private:
    ScreenEvents& real_;
    std::map<Token, std::pair<ScreenEvent, std::function<void()>>> observers_;
};

// The parts a store should run on: the real ones, or in the test mode the
// inert ones above in place of sound, brightness and screens.
class TestModeParts {
public:
    explicit TestModeParts(const Platform& real);
    TestModeParts(const TestModeParts&) = delete;
    TestModeParts& operator=(const TestModeParts&) = delete;

    bool active() const { return active_; }
    Platform platform();

    InertSoundAndBrightness sound;
    SleepReportingScreens screens;

private:
    Platform real_;
    bool active_;
};

} // namespace launcher
