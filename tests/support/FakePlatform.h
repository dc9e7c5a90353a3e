#pragma once

// Recording fakes of every platform interface. Each call a fake receives is
// written to the shared `calls` log as one line ("beep", "sound.muteAll",
// "run /usr/bin/pmset -g batt", ...), so tests can check order across them.

#include "platform/Platform.h"
#include "support/Files.h"
#include "support/ManualClock.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>

#include <map>
#include <set>

namespace launcher::testing {

using CallLog = QStringList;

class FakeCommandRunner final : public CommandRunner {
public:
    explicit FakeCommandRunner(CallLog& log) : log_(log) {}
    std::optional<QString> runCommand(const QString& path, const QStringList& arguments,
                                      std::chrono::milliseconds timeLimit = defaultCommandTimeLimit) override
    {
        const QString line = (QStringList{path} + arguments).join(QLatin1Char(' '));
        commands << line;
        timeLimits.push_back(timeLimit);
        log_ << QStringLiteral("run ") + line;
        return answers.contains(line) ? std::optional(answers.value(line)) : std::nullopt;
    }
    // Answer for an exact command line ("path arg1 arg2"); unscripted commands answer absent.
    QHash<QString, QString> answers;
    QStringList commands; // every command line run, in order
    std::vector<std::chrono::milliseconds> timeLimits; // the limit each of them was given
private:
    CallLog& log_;
};

class FakeKeepAwakeLauncher final : public KeepAwakeLauncher {
public:
    explicit FakeKeepAwakeLauncher(CallLog& log) : log_(log) {}
    std::unique_ptr<KeepAwakeChild> launch(const QStringList& arguments) override;
    bool isKeepAwakeProcess(qint32 pid) override { return alive.count(pid) != 0; }
    void sendTerminate(qint32 pid) override
    {
        log_ << QStringLiteral("keepawake.terminate %1").arg(pid);
        terminated.push_back(pid);
        alive.erase(pid);
    }

    bool failLaunches = false;
    std::optional<KeepAwakeCoverage> coverage; // what every child says of its locks
    std::set<qint32> alive;        // ids that count as our live keep-awake processes
    std::vector<QStringList> launches;
    std::vector<qint32> terminated; // ids sent a terminate signal
    std::vector<qint32> waitedFor;  // children terminated and waited for
    qint32 nextPid = 4000;

private:
    CallLog& log_;
};

class FakeEnvironment final : public Environment {
public:
    QString homeDirectory() const override { return home; }
    std::optional<QString> variable(const QString& name) const override
    {
        return variables.contains(name) ? std::optional(variables.value(name)) : std::nullopt;
    }
    QStringList preferredLanguages() const override { return languages; }
    QString executablePath() const override { return executable; }
    quint32 userId() const override { return uid; }
    QString timeZoneId() const override { return timeZone; }
    QString regionCode() const override { return region; }

    QString home;
    QHash<QString, QString> variables;
    QStringList languages{QStringLiteral("zh-Hans-CN")};
    QString executable = QStringLiteral("/opt/launcher/bin/launcher");
    quint32 uid = 501;
    QString timeZone = QStringLiteral("Asia/Shanghai");
    QString region = QStringLiteral("CN");
};

class FakeScreenEvents final : public ScreenEvents {
public:
    Token addObserver(ScreenEvent event, std::function<void()> handler) override
    {
        observers_.emplace(next_, std::pair(event, std::move(handler)));
        return next_++;
    }
    void removeObserver(Token token) override { observers_.erase(token); }
    // Observers removed by an earlier one in the same post are not called.
    void post(ScreenEvent event)
    {
        const auto observers = observers_;
        for (const auto& [token, observer] : observers)
            if (observer.first == event && observers_.count(token))
                observer.second();
    }
    int observerCount() const { return int(observers_.size()); }
    void setWatching(bool on) override { watching = on; }
    bool watching = false;

private:
    std::map<Token, std::pair<ScreenEvent, std::function<void()>>> observers_;
    Token next_ = 1;
};

class FakeBeep final : public SystemBeep {
public:
    explicit FakeBeep(CallLog& log) : log_(log) {}
    void beep() override { ++count; log_ << QStringLiteral("beep"); }
    int count = 0;
private:
    CallLog& log_;
};

// Idle ages grow with the clock; touch() records fresh input of one type.
class FakeInputIdle final : public InputIdle {
public:
    explicit FakeInputIdle(const Clock& clock) : clock_(clock) {}
    double secondsSinceLastEvent(WakeEventType type) override
    {
        ++readings;
        const auto found = lastEventAt_.find(type);
        // Without any input yet the session has been idle for a long time.
        return found == lastEventAt_.end() ? 10'000.0 + clock_.now() - 1'800'000'000.0 : clock_.now() - found->second;
    }
    void touch(WakeEventType type) { lastEventAt_[type] = clock_.now(); }
    // Records the last input of a type as having happened at `when`.
    void touchAt(WakeEventType type, double when) { lastEventAt_[type] = when; }
    void setWatching(bool on) override { watching = on; }
    int readings = 0;
    bool watching = false;
private:
    const Clock& clock_;
    std::map<WakeEventType, double> lastEventAt_;
};

class FakeScreens final : public Screens {
public:
    explicit FakeScreens(CallLog& log) : log_(log) {}
    std::vector<std::unique_ptr<BlackoutWindow>> createBlackoutWindows() override;
    void hideCursor() override { ++cursorHides; log_ << QStringLiteral("cursor.hide"); }
    void showCursor() override { ++cursorShows; log_ << QStringLiteral("cursor.show"); }
    void sleepDisplaysNow() override { ++displaySleeps; log_ << QStringLiteral("display.sleep"); }
    void restoreDisplaySleepSettings() override { ++displaySettingRestores; }
    bool canSleepDisplays() const override { return canSleep; }

    bool canSleep = true;
    int screenCount = 2;
    int windowsCreated = 0;
    int windowsOpen = 0;
    int cursorHides = 0;
    int cursorShows = 0;
    int displaySleeps = 0;
    int displaySettingRestores = 0;
private:
    CallLog& log_;
};

class FakeRunningApplications final : public RunningApplications {
public:
    QStringList displayedNames() override { return names; }
    QStringList names;
};

class FakePower final : public Power {
public:
    explicit FakePower(CallLog& log) : log_(log) {}
    PowerSnapshot currentPowerSnapshot() override { log_ << QStringLiteral("power.snapshot"); return snapshot; }
    bool isVideoPlaying() override { log_ << QStringLiteral("power.video"); return videoPlaying; }
    PowerSnapshot snapshot;
    bool videoPlaying = false;
private:
    CallLog& log_;
};

class FakeSound final : public SoundAndBrightness {
public:
    explicit FakeSound(CallLog& log) : log_(log) {}
    VolumeState readVolumeState() override { return note("readVolume", volume); }
    void muteAll() override { note("muteAll", 0); volume = {0, true, 0}; }
    void setOutputVolume(int v) override { volume.volume = note("setOutputVolume", v, v); }
    void setAlertVolume(int v) override { volume.alert = note("setAlertVolume", v, v); }
    void setOutputMuted(bool m) override { volume.muted = note("setOutputMuted", m, m ? "true" : "false"); }
    std::optional<double> readBrightness() override { return note("readBrightness", brightness); }
    void setBrightness(double v) override { brightness = note("setBrightness", v, v); }
    std::optional<double> readKeyboardBrightness() override { return note("readKeyboardBrightness", keyboardBrightness); }
    void setKeyboardBrightness(double v) override { keyboardBrightness = note("setKeyboardBrightness", v, v); }
    void driveBrightnessToZero() override { note("zeroBrightness", ++zeroBrightnessRuns); }

    VolumeState volume{35, false, 50};
    std::optional<double> brightness = 0.62;
    std::optional<double> keyboardBrightness = 0.55;
    int zeroBrightnessRuns = 0;

private:
    // Logs "sound.<what>[ <argument>]" and passes the value through.
    template <typename T>
    T note(const char* what, T value)
    {
        log_ << QStringLiteral("sound.") + QLatin1String(what);
        return value;
    }
    template <typename T, typename A>
    T note(const char* what, T value, A argument)
    {
        log_ << QStringLiteral("sound.%1 %2").arg(QLatin1String(what)).arg(argument);
        return value;
    }
    CallLog& log_;
};

class FakeHardware final : public Hardware {
public:
    MachineDescription machineDescription() override { ++calls; return description; }
    MachineDescription description;
    int calls = 0;
};

class FakeLoginItem final : public LoginItem {
public:
    explicit FakeLoginItem(CallLog& log) : log_(log) {}
    QString itemPath() const override { return path; }
    QString defaultProgramPath() const override { return QStringLiteral("/usual/place/launcher"); }
    void install(const QString& programPath) override
    {
        log_ << QStringLiteral("login.install ") + programPath;
        QDir().mkpath(QFileInfo(path).absolutePath());
        writeFile(path, programPath.toUtf8());
    }
    void uninstall() override { log_ << QStringLiteral("login.uninstall"); QFile::remove(path); }
    QString path;
private:
    CallLog& log_;
};

// A complete fake machine with a temporary home folder.
class FakePlatform {
public:
    FakePlatform();

    CallLog calls;
    QTemporaryDir homeDir;
    ManualClock clock;
    FakeCommandRunner commands{calls};
    FakeKeepAwakeLauncher keepAwake{calls};
    FakeEnvironment environment;
    FakeScreenEvents screenEvents;
    FakeBeep beep{calls};
    FakeInputIdle input{clock};
    FakeScreens screens{calls};
    FakeRunningApplications applications;
    FakePower power{calls};
    FakeSound sound{calls};
    FakeHardware hardware;
    FakeLoginItem loginItem{calls};

    Platform platform();
    QString supportDirectory() const { return supportDirectoryFor(environment); }
    // Lines of `calls` that start with prefix.
    QStringList callsStartingWith(const QString& prefix) const
    {
        return calls.filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(prefix)));
    }
};

} // namespace launcher::testing
