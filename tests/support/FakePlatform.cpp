#include "support/FakePlatform.h"

namespace launcher::testing {

namespace {

class FakeChild final : public KeepAwakeChild {
public:
    FakeChild(FakeKeepAwakeLauncher& launcher, qint32 pid) : launcher_(launcher), pid_(pid) {}
    qint32 pid() const override { return pid_; }
    bool isRunning() override { return launcher_.alive.count(pid_) != 0; }
    void terminateAndWait() override
    {
        launcher_.alive.erase(pid_);
        launcher_.waitedFor.push_back(pid_);
    }
    std::optional<KeepAwakeCoverage> coverage() override { return launcher_.coverage; }

private:
    FakeKeepAwakeLauncher& launcher_;
    qint32 pid_;
};

class FakeWindow final : public BlackoutWindow {
public:
    explicit FakeWindow(int& open) : open_(open) { ++open_; }
    ~FakeWindow() override { --open_; }
private:
    int& open_;
};

} // namespace

std::unique_ptr<KeepAwakeChild> FakeKeepAwakeLauncher::launch(const QStringList& arguments)
{
    launches.push_back(arguments);
    log_ << QStringLiteral("keepawake.launch ") + arguments.join(QLatin1Char(' '));
    if (failLaunches)
        return nullptr;
    const qint32 pid = nextPid++;
    alive.insert(pid);
    return std::make_unique<FakeChild>(*this, pid);
}

std::vector<std::unique_ptr<BlackoutWindow>> FakeScreens::createBlackoutWindows()
{
    log_ << QStringLiteral("screens.blackout %1").arg(screenCount);
    std::vector<std::unique_ptr<BlackoutWindow>> windows;
    for (int i = 0; i < screenCount; ++i) {
        windows.push_back(std::make_unique<FakeWindow>(windowsOpen));
        ++windowsCreated;
    }
    return windows;
}

FakePlatform::FakePlatform()
{
    environment.home = homeDir.path();
    environment.variables.insert(QStringLiteral("HOME"), homeDir.path());
    loginItem.path = homeDir.path() + QStringLiteral("/.config/autostart/test.desktop");
}

Platform FakePlatform::platform()
{
    return Platform{clock, keepAwake, environment, screenEvents, beep, input,
                    screens, applications, power, sound, hardware, loginItem};
}

} // namespace launcher::testing
