#pragma once

#include "platform/Platform.h"

#include <map>

namespace launcher {

// Shielding-level black windows, the cursor and display sleep. Hiding the
// cursor brings this application to the front; showing it gives the front back.
class MacScreens final : public Screens {
public:
    explicit MacScreens(CommandRunner& commands) : commands_(commands) {}
    ~MacScreens() override;
    MacScreens(const MacScreens&) = delete;
    MacScreens& operator=(const MacScreens&) = delete;
    std::vector<std::unique_ptr<BlackoutWindow>> createBlackoutWindows() override;
    void hideCursor() override;
    void showCursor() override;
    void sleepDisplaysNow() override;
    // pmset's display sleep changes no setting.
    void restoreDisplaySleepSettings() override {}

private:
    CommandRunner& commands_;
    void* previousFront_ = nullptr; // retained NSRunningApplication active before the cursor was hidden
};

// The workspace's screens-did-sleep and screens-did-wake notifications,
// delivered on the main queue.
class MacScreenEvents final : public ScreenEvents {
public:
    MacScreenEvents() = default;
    ~MacScreenEvents() override;
    MacScreenEvents(const MacScreenEvents&) = delete;
    MacScreenEvents& operator=(const MacScreenEvents&) = delete;

    Token addObserver(ScreenEvent event, std::function<void()> handler) override;
    void removeObserver(Token token) override;
    // Notifications cost nothing while nobody looks.
    void setWatching(bool) override {}

private:
    std::map<Token, void*> observers_; // retained notification-centre tokens
    Token next_ = 1;
};

} // namespace launcher
