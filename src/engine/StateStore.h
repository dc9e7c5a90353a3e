#pragma once

#include "store/AwakeMode.h"
#include "engine/Constants.h"
#include "platform/Platform.h"
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
// keep-awake process, the values captured before forced mode, the blackout
// windows and every engine timer. Single-threaded: all calls come from the
// main thread.
class StateStore {
public:
    explicit StateStore(const Platform& platform);
    ~StateStore();
    StateStore(const StateStore&) = delete;
    StateStore& operator=(const StateStore&) = delete;

    // --- files
    const QString supportDirectory;
    const QString stateFile;
    const QString historyFile;
    const QString prefsFile;
    const QString loginItemPath;

    // --- engine state
    std::unique_ptr<KeepAwakeChild> process;
    std::optional<qint32> pid;
    AwakeMode mode = AwakeMode::off;
    std::optional<int> previousVolume;
    std::optional<bool> previousMuted;
    std::optional<int> previousAlertVolume;
    std::optional<double> previousBrightness;
    std::optional<double> previousKeyboardBrightness;
    std::optional<double> startedAt; // seconds since 1970

    std::function<void(const QString&)> onNotice;

    // --- forced-mode machinery
    std::vector<std::unique_ptr<BlackoutWindow>> overlayWindows;
    bool cursorHidden = false;
    std::optional<TimerId> inputWatchTimer;
    std::optional<TimerId> forcedStateTimer;
    std::optional<TimerId> forcedSleepCommandTimer;
    std::optional<TimerId> forcedStabilizerTimer;
    int forcedSleepAttemptCount = 0;
    std::optional<WakeEventAges> lastWakeEventAges; // absent while the watch is off
    std::optional<double> forcedArmedAt;
    std::optional<TimerId> autoDisableTimer;
    std::optional<double> scheduledStopAt;
    bool hasObservedDisplaySleep = false;
    std::optional<ScreenEvents::Token> screenDidSleepObserver;
    std::optional<ScreenEvents::Token> screenDidWakeObserver;

    // A live keep-awake process of ours is recorded.
    bool isActive() const;

    // --- keep-awake process
    void reconnectIfPossible();

    // --- state file
    // False when the file could not be written; it then keeps its old bytes.
    bool saveState();
    PersistedState persistedState() const;

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
    bool isMoviePlaybackDetected();
    void enforceRuntimePoliciesIfNeeded();

    // --- forced mode
    void beginForcedMode();
    void reinforceForcedStart();
    void showBlackout();
    void hideBlackout();
    void runZeroBrightnessSequence();
    void startForcedStateEnforcement();
    void scheduleDisplaySleepNow();
    void scheduleForcedStabilizer();
    void cancelPendingDisplaySleepCommand();

    // --- wake-input watch
    void startWatchingForWakeInput();
    void stopWatchingForWakeInput();
    void pollForWakeInput();
    WakeEventAges captureWakeEventAges();

    // --- volume and brightness
    VolumeState readVolumeState();
    std::optional<double> readBrightness();
    std::optional<double> readKeyboardBrightness();
    void restoreSoundAndBrightness();

    // --- scheduled stop
    void scheduleAutoDisable(double seconds);
    void cancelScheduledStop(bool showNotice);
    bool hasScheduledStop() const { return scheduledStopAt.has_value(); }

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
    // Blackout, zero brightness and, until the screens sleep, their enforcement.
    void reapplyForcedState();
    // Watch and timers of forced mode off; the blackout stays.
    void stopForcedMachinery();
    void leaveForcedMode();
    bool startKeepAwakeProcess(AwakeMode mode);
    std::optional<QString> forcedSavingEstimate(double elapsedSeconds);
    void sendNotice(const QString& text);
    void stopKeepAwakeProcess();
    void noticeIfKeepAwakeFallsShort();
    void noticeIfDisplaysCannotSleep();
    // Not armed, or armed less than the grace period ago: input is ignored.
    bool withinWakeGrace() const;
    void loadPreferences();
    bool savePreferences();
    void cancelTimer(std::optional<TimerId>& timer);
    // Wraps a timer or delayed action so it does nothing once the store is gone.
    std::function<void()> guarded(std::function<void(StateStore&)> action);

    Platform platform_;
    Preferences preferences_;
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
