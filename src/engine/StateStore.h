#pragma once

#include "engine/Constants.h"
#include "engine/ForcedModeMachinery.h"
#include "engine/ScheduledStop.h"
#include "engine/SoundAndBrightnessCapture.h"
#include "engine/WakeInputWatch.h"
#include "platform/Platform.h"
#include "store/AwakeMode.h"
#include "store/Energy.h"
#include "store/HistoryLog.h"
#include "store/HistorySessions.h"
#include "store/Localization.h"
#include "store/Preferences.h"
#include "store/StateFile.h"

#include <QColor>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace launcher {

enum class PelvaneColorTarget { hang, forced };

// Owns everything the program changes on the machine: the mode, the
// keep-awake process, the values captured before forced mode and, through
// its parts, forced mode's machinery, the wake-input watch and the scheduled
// stop. The one object the application and its views talk to; its state
// changes only through its operations. Single-threaded: all calls come from
// the main thread.
class StateStore {
public:
    explicit StateStore(const Platform& platform);
    ~StateStore();
    StateStore(const StateStore&) = delete;
    StateStore& operator=(const StateStore&) = delete;

    // --- files
    const QString& supportDirectory() const { return supportDirectory_; }
    const QString& stateFile() const { return stateFile_; }
    const QString& historyFile() const { return historyFile_; }
    const QString& prefsFile() const { return prefsFile_; }
    const QString& loginItemPath() const { return loginItemPath_; }

    // --- the mode and its keep-awake process
    AwakeMode mode() const { return state_.mode; }
    std::optional<qint32> pid() const { return state_.pid; }
    // Seconds since 1970.
    std::optional<double> startedAt() const { return state_.startedAt; }
    // A live keep-awake process of ours is recorded.
    bool isActive() const;
    // What the child this run started says it holds; absent until it says.
    std::optional<KeepAwakeCoverage> keepAwakeCoverage();
    void reconnectIfPossible();

    // Where user-visible notices go; without a handler they are dropped.
    void setOnNotice(std::function<void(const QString&)> handler) { onNotice_ = std::move(handler); }
    void sendNotice(const QString& text);

    // --- state file
    // False when the file could not be written; it then keeps its old bytes.
    bool saveState();
    const PersistedState& persistedState() const { return state_; }

    // --- preferences and language
    const Preferences& preferences() const { return preferences_; }
    // Applies the change and saves the file; false when it could not be written.
    bool changePreferences(const std::function<void(Preferences&)>& change);
    void setPelvaneColor(const QColor& color, PelvaneColorTarget target);
    QColor pelvaneColor(PelvaneColorTarget target) const
    {
        return target == PelvaneColorTarget::hang ? preferences_.hangPelvaneColor : preferences_.forcedPelvaneColor;
    }
    AppLanguage effectiveLanguage() const;
    QString localized(const QString& zh, const QString& en) const;

    // --- history log
    void appendHistory(const QString& action, AwakeMode mode, const QString& note);

    // --- sessions, estimates, launch at login
    std::vector<HistorySession> historySessions();
    const MachineProfile& machineProfile();
    RegionalElectricityProfile inferredElectricityProfile() const;
    static QString formatCurrency(double amount, const RegionalElectricityProfile& profile);
    EnergyDashboardSummary energyDashboardSummary(const std::vector<HistorySession>& sessions);
    bool launchAtLoginInstalled() const;
    void installLaunchAtLogin();
    void uninstallLaunchAtLogin();

    // --- start and stop
    // Absent when the power conditions allow a start, else the refusal text.
    std::optional<QString> canStartMode();
    void enable(AwakeMode requested);
    void disable(DisableReason reason, bool shouldLog);

    // --- power conditions
    PowerSnapshot currentPowerSnapshot();
    QString currentPowerSourceTitle();
    QString currentBatteryTitle();
    // The same titles of one snapshot, for a view that shows both.
    QString currentPowerSourceTitle(const PowerSnapshot& snapshot) const;
    QString currentBatteryTitle(const PowerSnapshot& snapshot) const;
    void enforceRuntimePoliciesIfNeeded();

    // --- forced mode
    // Everything at once, then repeated until the screens are seen asleep.
    void beginForcedMode();
    // beginForcedMode() again, only while the mode is forced.
    void reinforceForcedStart();
    const ForcedModeMachinery& forcedMachinery() const { return forced_; }

    // --- scheduled stop
    void scheduleAutoDisable(double seconds);
    void cancelScheduledStop(bool showNotice);
    bool hasScheduledStop() const { return scheduledStopAt().has_value(); }
    std::optional<double> scheduledStopAt() const { return scheduledStop_.stopAt(); }

    // --- labels
    QString durationLabel() const;
    QString durationLabelForStatusBar() const;
    QString scheduleLabel(const std::function<QString(const QString&, const QString&)>& localizer) const;

    double now() const { return platform_.clock.now(); }
    const Platform& platform() const { return platform_; }

private:
    bool isRecordedProcessAlive() const;
    // No process, mode off.
    void forgetProcess();
    // Watch and timers of forced mode off; the blackout stays.
    void stopForcedMachinery();
    void leaveForcedMode();
    void stopWatchingForWakeInput();
    void pollForWakeInput();
    bool isMoviePlaybackDetected();
    bool startKeepAwakeProcess(AwakeMode mode);
    std::optional<QString> forcedSavingEstimate(double elapsedSeconds);
    void stopKeepAwakeProcess();
    void noticeIfKeepAwakeFallsShort();
    void noticeIfDisplaysCannotSleep();
    void loadPreferences();
    bool savePreferences();
    // Wraps a delayed action so it does nothing once the store is gone.
    std::function<void()> guarded(std::function<void(StateStore&)> action);

    Platform platform_;
    const QString supportDirectory_;
    const QString stateFile_;
    const QString historyFile_;
    const QString prefsFile_;
    const QString loginItemPath_;

    Preferences preferences_;
    // Mode, process id, start and the values captured before forced mode:
    // what the state file holds, and read back from it.
    PersistedState state_;
    // The child this run started; an adopted process is known by its id alone.
    std::unique_ptr<KeepAwakeChild> process_;
    std::function<void(const QString&)> onNotice_;

    SoundAndBrightnessCapture capture_;
    ForcedModeMachinery forced_;
    WakeInputWatch wakeWatch_;
    ScheduledStop scheduledStop_;

    std::optional<ScreenEvents::Token> screenDidSleepObserver_;
    std::optional<ScreenEvents::Token> screenDidWakeObserver_;
    std::shared_ptr<StateStore*> self_;
    std::optional<MachineProfile> cachedMachineProfile_;
    // The process whose word on its locks has been taken.
    std::optional<qint32> holdReportedPid_;
    bool toldDisplaysStayOn_ = false;
    std::shared_ptr<class IncrementalHistoryReader> historyReader_;
};

// The flags of the keep-awake program for a mode.
QStringList keepAwakeArguments(AwakeMode mode);

} // namespace launcher
