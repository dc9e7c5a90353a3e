#include "app/HoldAwake.h"

#include "app/CommandLine.h"

#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace launcher {

namespace {

using namespace std::chrono_literals;

// The helper says what it holds as soon as the desktop's services have
// answered it, which they do at once or within its own time-out.
constexpr auto coverageWait = 2s;

// A hold that holds nothing (no session bus, no logind: a bare build
// server) must not pass for one; the work still runs.
void warnIfNothingHoldsSleep(KeepAwakeChild& helper, QTextStream& err)
{
    const auto giveUpAt = std::chrono::steady_clock::now() + coverageWait;
    std::optional<KeepAwakeCoverage> coverage;
    while (!(coverage = helper.coverage()) && helper.isRunning() && std::chrono::steady_clock::now() < giveUpAt)
        std::this_thread::sleep_for(20ms);
    if (coverage && !coverage->sleep) {
        err << "launcher: warning: nothing on this system obeys the keep-awake helper; it may still sleep\n";
        err.flush();
    }
}

int holdAwake(KeepAwakeLauncher& keepAwake, QTextStream& err, const std::function<int()>& work)
{
    std::unique_ptr<KeepAwakeChild> helper = keepAwake.launch(holdArguments());
    if (!helper) {
        err << "launcher: the keep-awake helper could not start\n";
        err.flush();
        return exitRefused;
    }
    warnIfNothingHoldsSleep(*helper, err);
    const int status = work();
    helper->terminateAndWait();
    return status;
}

} // namespace

QStringList holdArguments()
{
    return {QStringLiteral("-ims")};
}

int holdAwakeWhileCommand(KeepAwakeLauncher& keepAwake, ProcessWaiter& waiter, const QStringList& command,
                          QTextStream& err)
{
    return holdAwake(keepAwake, err, [&] {
        const std::optional<int> status = waiter.runAndWait(command);
        if (status)
            return *status;
        err << "launcher: cannot run " << command.front() << '\n';
        err.flush();
        return int(exitCannotRun);
    });
}

int holdAwakeWhileProcess(KeepAwakeLauncher& keepAwake, ProcessWaiter& waiter, qint32 pid, QTextStream& err)
{
    if (!waiter.exists(pid)) {
        err << "launcher: no process " << pid << '\n';
        err.flush();
        return exitUsage;
    }
    return holdAwake(keepAwake, err, [&] { return waiter.waitUntilGone(pid); });
}

} // namespace launcher
