#include "platform/UnplannedExit.h"

#include <cstdlib>
#include <utility>

namespace launcher {

namespace {

std::function<void()>& pendingAction()
{
    // Never destroyed: it must outlive every other static at exit.
    static auto* action = new std::function<void()>;
    return *action;
}

void runPendingAction()
{
    // Taken out first, so an exit from inside the action cannot run it again.
    const std::function<void()> action = std::exchange(pendingAction(), nullptr);
    if (action)
        action();
}

} // namespace

UnplannedExitGuard::UnplannedExitGuard(std::function<void()> action)
{
    static const bool registered = std::atexit(runPendingAction) == 0;
    (void)registered;
    pendingAction() = std::move(action);
}

UnplannedExitGuard::~UnplannedExitGuard()
{
    pendingAction() = nullptr;
}

} // namespace launcher
