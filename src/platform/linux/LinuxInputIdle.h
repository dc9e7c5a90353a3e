#pragma once

#include "platform/Platform.h"
#include "platform/linux/LinuxX11.h"

#include <chrono>
#include <map>
#include <memory>
#include <set>

class QSocketNotifier;

namespace launcher {

// Per-type input ages from XInput2 raw events on the root windows, read on
// its own X connection while watching (forced mode is armed). Otherwise, and
// without XInput2, every type reads the session's idle time; without a
// display, ages never drop.
class LinuxInputIdle final : public InputIdle {
public:
    LinuxInputIdle();
    ~LinuxInputIdle() override;
    LinuxInputIdle(const LinuxInputIdle&) = delete;
    LinuxInputIdle& operator=(const LinuxInputIdle&) = delete;

    double secondsSinceLastEvent(WakeEventType type) override;
    void setWatching(bool watching) override;

    // Whether raw events are being watched (false means the idle-time fallback).
    bool watchesRawEvents() const { return xinputOpcode_ >= 0; }

private:
    using Instant = std::chrono::steady_clock::time_point;
    void selectRawEvents(bool on);
    void loadModifierKeys();
    void drainEvents();
    std::optional<double> sessionIdleSeconds();

    XDisplayPointer display_;
    bool watching_ = false;
    int xinputOpcode_ = -1;
    std::set<int> modifierKeycodes_;
    std::map<WakeEventType, Instant> lastEventAt_;
    Instant startedAt_;
    double idleAtStart_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace launcher
