#pragma once

#include "platform/AppPlatform.h"
#include "platform/Clock.h"

#include <memory>
#include <optional>

namespace launcher {

// One notice at a time in the middle of the main screen; a new notice
// replaces the text at once and restarts the time it stays.
class ToastWindowController {
public:
    ToastWindowController(Desktop& desktop, Clock& clock);
    ~ToastWindowController();
    ToastWindowController(const ToastWindowController&) = delete;
    ToastWindowController& operator=(const ToastWindowController&) = delete;

    void show(const QString& message);

private:
    Desktop& desktop_;
    Clock& clock_;
    std::unique_ptr<ToastPanel> panel_;
    std::optional<TimerId> hideTimer_;
};

} // namespace launcher
