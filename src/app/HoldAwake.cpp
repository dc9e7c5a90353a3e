#include "app/HoldAwake.h"

#include "app/CommandLine.h"

#include <functional>
#include <memory>

namespace launcher {

namespace {

int holdAwake(KeepAwakeLauncher& keepAwake, QTextStream& err, const std::function<int()>& work)
{
    std::unique_ptr<KeepAwakeChild> helper = keepAwake.launch(holdArguments());
    if (!helper) {
        err << "launcher: the keep-awake helper could not start\n";
        err.flush();
        return exitRefused;
    }
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
