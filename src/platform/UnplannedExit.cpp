#include "platform/UnplannedExit.h"

#include <cstdlib>
#include <thread>
#include <utility>

namespace launcher {

namespace {

std::function<void()>& pendingAction()
{
    // Never destroyed: it must outlive every other static at exit.
    static auto* action = new std::function<void()>;
    return *action;
}

std::thread::id guardThread;

void runPendingAction()
{
    // The action belongs to the guard's thread; from any other it would race
    // with that thread, which goes on running until the process ends.
    if (std::this_thread::get_id() != guardThread)
        return;
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
    guardThread = std::this_thread::get_id();
    pendingAction() = std::move(action);
}

UnplannedExitGuard::~UnplannedExitGuard()
{
    pendingAction() = nullptr;
}

} // namespace launcher
