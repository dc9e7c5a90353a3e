#pragma once

// The engine and the store reach the machine only through these interfaces.
// Each has a production implementation per operating system under platform/
// and a recording fake under tests/support/.

#include "platform/Clock.h"
#include "store/Machine.h"

#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace launcher {

// How long a tool may take before it counts as giving no answer. Tools run
// on the main thread; those run on every timer tick get the short limit, so
// one that hangs cannot freeze the program for long.
inline constexpr std::chrono::milliseconds defaultCommandTimeLimit = std::chrono::seconds(10);
inline constexpr std::chrono::milliseconds perTickCommandTimeLimit = std::chrono::seconds(2);

class CommandRunner {
public:
    virtual ~CommandRunner() = default;
    // Runs the executable at path (no shell) with standard output and error
    // merged. Absent when it cannot start, does not finish within timeLimit,
    // or prints text that is not UTF-8. The exit status is not looked at.
    virtual std::optional<QString> runCommand(const QString& path, const QStringList& arguments,
                                              std::chrono::milliseconds timeLimit = defaultCommandTimeLimit) = 0;
};

// What a keep-awake process holds off, counting only locks that the
// desktop it runs on obeys.
struct KeepAwakeCoverage {
    bool sleep = false;   // the system does not sleep
    bool display = false; // the display stays on
    friend bool operator==(const KeepAwakeCoverage&, const KeepAwakeCoverage&) = default;
};

// A keep-awake process started by this run of the program.
class KeepAwakeChild {
public:
    virtual ~KeepAwakeChild() = default;
    virtual qint32 pid() const = 0;
    virtual bool isRunning() = 0;
    // Asks the process to end and waits until it has.
    virtual void terminateAndWait() = 0;
    // What the process said it holds: absent until it says, and for
    // programs that never say (caffeinate always holds what it is asked).
    virtual std::optional<KeepAwakeCoverage> coverage() = 0;
};

class KeepAwakeLauncher {
public:
    virtual ~KeepAwakeLauncher() = default;
    // Starts the keep-awake program with the given flags; null when it cannot start.
    virtual std::unique_ptr<KeepAwakeChild> launch(const QStringList& arguments) = 0;
    // True when pid names a live process of the current user that runs the
    // keep-awake program. A recycled id of an unrelated process is not ours.
    virtual bool isKeepAwakeProcess(qint32 pid) = 0;
    virtual void sendTerminate(qint32 pid) = 0;
};

class Environment {
public:
    virtual ~Environment() = default;
    virtual QString homeDirectory() const = 0;
    virtual std::optional<QString> variable(const QString& name) const = 0;
    // Language tags in order of preference, such as "en-US" or "zh-Hans-CN".
    virtual QStringList preferredLanguages() const = 0;
    // The running program's own executable; empty when unknown.
    virtual QString executablePath() const = 0;
    virtual quint32 userId() const = 0;
    virtual QString timeZoneId() const = 0;
    // The system locale's territory as a two-letter code; empty when it has none.
    virtual QString regionCode() const = 0;
};

enum class ScreenEvent { didSleep, didWake };

class ScreenEvents {
public:
    using Token = quint64;
    virtual ~ScreenEvents() = default;
    virtual Token addObserver(ScreenEvent event, std::function<void()> handler) = 0;
    virtual void removeObserver(Token token) = 0;
    // Sleep and wake matter only while forced mode is armed; where seeing
    // them costs something (polling), it is done only while watching.
    virtual void setWatching(bool watching) = 0;
};

class SystemBeep {
public:
    virtual ~SystemBeep() = default;
    virtual void beep() = 0;
};

// Input event types whose idle ages end forced mode, numbered as on macOS.
enum class WakeEventType : int {
    mouseMoved = 5,
    leftMouseDown = 1,
    rightMouseDown = 3,
    otherMouseDown = 25,
    scrollWheel = 22,
    keyDown = 10,
    flagsChanged = 12,
};

class InputIdle {
public:
    virtual ~InputIdle() = default;
    // Seconds since the last input event of this type in the session.
    virtual double secondsSinceLastEvent(WakeEventType type) = 0;
    // Ages are asked for only while forced mode is armed; where keeping them
    // costs something (a raw event stream), it is done only while watching.
    virtual void setWatching(bool watching) = 0;
};

// One black window covering one screen; closed when destroyed.
class BlackoutWindow {
public:
    virtual ~BlackoutWindow() = default;
};

class Screens {
public:
    virtual ~Screens() = default;
    // One window per screen attached now, in the system's order, each already
    // in front of everything.
    virtual std::vector<std::unique_ptr<BlackoutWindow>> createBlackoutWindows() = 0;
    virtual void hideCursor() = 0;
    virtual void showCursor() = 0;
    // Tells every display to go to sleep; does nothing where that is not possible.
    virtual void sleepDisplaysNow() = 0;
    // Puts back any display setting that sleepDisplaysNow had to change.
    virtual void restoreDisplaySleepSettings() = 0;
    // False where the desktop gives no way to turn the displays off, so that
    // the user can be told once instead of wondering why they stay lit.
    virtual bool canSleepDisplays() const { return true; }
};

class RunningApplications {
public:
    virtual ~RunningApplications() = default;
    virtual QStringList displayedNames() = 0;
};

enum class PowerSourceKind { battery, ac, unknown };

struct PowerSnapshot {
    PowerSourceKind source = PowerSourceKind::unknown;
    std::optional<int> batteryPercent;
};

class Power {
public:
    virtual ~Power() = default;
    virtual PowerSnapshot currentPowerSnapshot() = 0;
    // Whether the system's own records (power assertions, inhibitors) show
    // video playing; false when there is nothing to read.
    virtual bool isVideoPlaying() = 0;
};

struct VolumeState {
    std::optional<int> volume;
    std::optional<bool> muted;
    std::optional<int> alert;
};

// Volumes run from 0 to 100 and brightness from 0.0 to 1.0; the engine keeps
// what it passes within them.
class SoundAndBrightness {
public:
    virtual ~SoundAndBrightness() = default;
    virtual VolumeState readVolumeState() = 0;
    // Alert volume 0, output volume 0, then output muted, in that order.
    virtual void muteAll() = 0;
    virtual void setOutputVolume(int volume) = 0;
    virtual void setAlertVolume(int volume) = 0;
    virtual void setOutputMuted(bool muted) = 0;
    virtual std::optional<double> readBrightness() = 0;
    virtual void setBrightness(double value) = 0;
    virtual std::optional<double> readKeyboardBrightness() = 0;
    virtual void setKeyboardBrightness(double value) = 0;
    // Screen and keyboard backlight to zero, by every means the platform has.
    virtual void driveBrightnessToZero() = 0;
};

class Hardware {
public:
    virtual ~Hardware() = default;
    // Model, processor and class of this machine; what cannot be read is left empty.
    virtual MachineDescription machineDescription() = 0;
};

class LoginItem {
public:
    virtual ~LoginItem() = default;
    // Where the launch-at-login file lives.
    virtual QString itemPath() const = 0;
    // What to start when the running program cannot say where it is.
    virtual QString defaultProgramPath() const = 0;
    virtual void install(const QString& programPath) = 0;
    virtual void uninstall() = 0;
};

// Everything the state store needs from the machine. Non-owning.
struct Platform {
    Clock& clock;
    KeepAwakeLauncher& keepAwake;
    Environment& environment;
    ScreenEvents& screenEvents;
    SystemBeep& beep;
    InputIdle& input;
    Screens& screens;
    RunningApplications& applications;
    Power& power;
    SoundAndBrightness& sound;
    Hardware& hardware;
    LoginItem& loginItem;
};

// The support folder for this operating system, from the environment.
QString supportDirectoryFor(const Environment& environment);

} // namespace launcher
