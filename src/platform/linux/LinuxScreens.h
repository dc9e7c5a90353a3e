#pragma once

#include "platform/Platform.h"
#include "platform/linux/LinuxX11.h"

#include <map>
#include <memory>

namespace launcher {

// The part of DPMS that display sleep uses, so that switching it on for a
// forced sleep and back off afterwards can be tried without a DPMS server.
class Dpms {
public:
    virtual ~Dpms() = default;
    // Whether DPMS is switched on; absent where the server has none.
    virtual std::optional<bool> enabled() = 0;
    virtual void setEnabled(bool on) = 0;
    virtual void forceOff() = 0;
};

// Forcing the displays off is refused while DPMS is switched off, so it is
// switched on for that, and back off once forced mode is over: the user's
// own setting (often "never blank") is left as it was found.
class DisplaySleepSwitch {
public:
    explicit DisplaySleepSwitch(Dpms& dpms) : dpms_(dpms) {}
    void sleepNow();
    void restore();

private:
    Dpms& dpms_;
    bool switchedOn_ = false;
};

// Black windows above everything, the cursor through XFixes and display sleep
// through DPMS. Needs a Qt GUI application for the windows; the cursor and
// DPMS use a connection of their own, which keeps a hidden cursor hidden for
// as long as this object lives.
class LinuxScreens final : public Screens {
public:
    LinuxScreens();
    std::vector<std::unique_ptr<BlackoutWindow>> createBlackoutWindows() override;
    void hideCursor() override;
    void showCursor() override;
    // Switches the displays off where the server has DPMS; nothing otherwise.
    void sleepDisplaysNow() override;
    void restoreDisplaySleepSettings() override;

private:
    XDisplayPointer display_;
    bool canHideCursor_ = false;
    std::unique_ptr<Dpms> dpms_;
    DisplaySleepSwitch sleepSwitch_;
};

// Whether DPMS has the displays in standby, suspend or off; absent where the
// server has no DPMS.
std::optional<bool> dpmsDisplaysAsleep(_XDisplay* display);

// Screens' sleep and wake, seen by polling a reading of whether the displays
// sleep. Without a reading (no DPMS) nothing is ever posted.
class LinuxScreenEvents final : public ScreenEvents {
public:
    using SleepReading = std::function<std::optional<bool>()>;
    static constexpr double pollInterval = 0.5;

    // Reads DPMS on a connection of its own.
    explicit LinuxScreenEvents(Clock& clock);
    LinuxScreenEvents(Clock& clock, SleepReading displaysAsleep);
    ~LinuxScreenEvents() override;
    LinuxScreenEvents(const LinuxScreenEvents&) = delete;
    LinuxScreenEvents& operator=(const LinuxScreenEvents&) = delete;

    Token addObserver(ScreenEvent event, std::function<void()> handler) override;
    void removeObserver(Token token) override;
    // Polls only while watching, and only where there is a reading.
    void setWatching(bool watching) override;

private:
    void poll();
    void post(ScreenEvent event);

    Clock& clock_;
    SleepReading displaysAsleep_;
    std::optional<TimerId> timer_;
    bool asleep_ = false;
    std::map<Token, std::pair<ScreenEvent, std::function<void()>>> observers_;
    Token next_ = 1;
};

} // namespace launcher
