#include "support/FakePlatform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace launcher::testing {

std::optional<QString> FakeCommandRunner::runCommand(const QString& path, const QStringList& arguments,
                                                     std::chrono::milliseconds timeLimit)
{
    const QString line = (QStringList{path} + arguments).join(QLatin1Char(' '));
    commands << line;
    timeLimits.push_back(timeLimit);
    log_ << QStringLiteral("run ") + line;
    auto it = answers.constFind(line);
    if (it == answers.constEnd())
        return std::nullopt;
    return *it;
}

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
    std::optional<bool> holdsAnything() override { return launcher_.holdsAnything; }

private:
    FakeKeepAwakeLauncher& launcher_;
    qint32 pid_;
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

void FakeKeepAwakeLauncher::sendTerminate(qint32 pid)
{
    log_ << QStringLiteral("keepawake.terminate %1").arg(pid);
    terminated.push_back(pid);
    alive.erase(pid);
}

std::optional<QString> FakeEnvironment::variable(const QString& name) const
{
    auto it = variables.constFind(name);
    if (it == variables.constEnd())
        return std::nullopt;
    return *it;
}

ScreenEvents::Token FakeScreenEvents::addObserver(ScreenEvent event, std::function<void()> handler)
{
    const Token token = next_++;
    observers_.emplace(token, std::make_pair(event, std::move(handler)));
    return token;
}

void FakeScreenEvents::post(ScreenEvent event)
{
    auto copy = observers_;
    for (auto& [token, observer] : copy)
        if (observer.first == event && observers_.count(token))
            observer.second();
}

double FakeInputIdle::secondsSinceLastEvent(WakeEventType type)
{
    ++readings;
    auto it = lastEventAt_.find(type);
    // Without any input yet the session has been idle for a long time.
    return it == lastEventAt_.end() ? 10'000.0 + clock_.now() - 1'800'000'000.0 : clock_.now() - it->second;
}

void FakeInputIdle::touch(WakeEventType type)
{
    lastEventAt_[type] = clock_.now();
}

void FakeInputIdle::touchAt(WakeEventType type, double when)
{
    lastEventAt_[type] = when;
}

namespace {

class FakeWindow final : public BlackoutWindow {
public:
    explicit FakeWindow(int& open) : open_(open) { ++open_; }
    ~FakeWindow() override { --open_; }
private:
    int& open_;
};

} // namespace

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

void FakeLoginItem::install(const QString& programPath)
{
    log_ << QStringLiteral("login.install ") + programPath;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(programPath.toUtf8());
}

void FakeLoginItem::uninstall()
{
    log_ << QStringLiteral("login.uninstall");
    QFile::remove(path);
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

QString FakePlatform::supportDirectory() const
{
    return supportDirectoryFor(environment);
}

QStringList FakePlatform::callsStartingWith(const QString& prefix) const
{
    QStringList matching;
    for (const QString& call : calls)
        if (call.startsWith(prefix))
            matching << call;
    return matching;
}

} // namespace launcher::testing
