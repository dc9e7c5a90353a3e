#pragma once

#include <functional>

namespace launcher {

// Runs an action when the process is ended by exit() while the guard lives.
// Qt's X11 plugin ends the program that way when its display connection
// breaks (at logout, or when the X server or XWayland dies), from inside the
// event loop, so the program's own shutdown after the loop never runs.
// Returning from main after the guard is gone runs nothing, and neither does
// an exit from another thread. The action runs at most once and should not
// need the display. One guard at a time.
class UnplannedExitGuard {
public:
    explicit UnplannedExitGuard(std::function<void()> action);
    ~UnplannedExitGuard();
    UnplannedExitGuard(const UnplannedExitGuard&) = delete;
    UnplannedExitGuard& operator=(const UnplannedExitGuard&) = delete;
};

} // namespace launcher
