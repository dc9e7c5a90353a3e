#include "engine/StateStore.h"

#include "engine/Constants.h"
#include "store/Files.h"
#include "store/IncrementalHistoryReader.h"
#include "store/Preferences.h"

#include <QDir>

namespace launcher {

QStringList keepAwakeArguments(AwakeMode mode)
{
    if (mode == AwakeMode::forced)
        return {QStringLiteral("-i"), QStringLiteral("-m")};
    return {QStringLiteral("-dims")};
}

StateStore::StateStore(const Platform& platform)
    : supportDirectory(supportDirectoryFor(platform.environment))
    , stateFile(supportDirectory + QStringLiteral("/state.json"))
    , historyFile(supportDirectory + QStringLiteral("/history.jsonl"))
    , prefsFile(supportDirectory + QStringLiteral("/prefs.json"))
    , loginItemPath(platform.loginItem.itemPath())
    , platform_(platform)
    , self_(std::make_shared<StateStore*>(this))
{
    QDir().mkpath(supportDirectory);

    screenDidSleepObserver = platform_.screenEvents.addObserver(ScreenEvent::didSleep, guarded([](StateStore& store) {
        if (store.mode != AwakeMode::forced)
            return;
        store.hasObservedDisplaySleep = true;
        store.cancelTimer(store.forcedStateTimer);
        store.cancelPendingDisplaySleepCommand();
    }));
    screenDidWakeObserver = platform_.screenEvents.addObserver(ScreenEvent::didWake, guarded([](StateStore& store) {
        if (store.mode != AwakeMode::forced || !store.hasObservedDisplaySleep)
            return;
        // Woken by input the grace period ignores (the click or key that
        // started the mode): put them back to sleep instead of ending it.
        if (store.withinWakeGrace()) {
            store.hasObservedDisplaySleep = false;
            store.reapplyForcedState();
            store.scheduleDisplaySleepNow();
            return;
        }
        store.disable(DisableReason::wakeInput, true);
    }));

    loadPreferences();
}

StateStore::~StateStore()
{
    if (screenDidSleepObserver)
        platform_.screenEvents.removeObserver(*screenDidSleepObserver);
    if (screenDidWakeObserver)
        platform_.screenEvents.removeObserver(*screenDidWakeObserver);
    // The guard makes pending actions harmless; cancelling also frees the clock.
    for (auto* timer : {&inputWatchTimer, &forcedStateTimer, &forcedSleepCommandTimer, &forcedStabilizerTimer,
                        &autoDisableTimer})
        cancelTimer(*timer);
}

std::function<void()> StateStore::guarded(std::function<void(StateStore&)> action)
{
    std::weak_ptr<StateStore*> weak = self_;
    return [weak, action = std::move(action)] {
        if (auto self = weak.lock())
            action(**self);
    };
}

void StateStore::cancelTimer(std::optional<TimerId>& timer)
{
    if (timer)
        platform_.clock.cancel(*timer);
    timer.reset();
}

bool StateStore::isActive() const
{
    return isRecordedProcessAlive();
}

bool StateStore::isRecordedProcessAlive() const
{
    return pid && *pid > 0 && platform_.keepAwake.isKeepAwakeProcess(*pid);
}

// --- state file

PersistedState StateStore::persistedState() const
{
    return PersistedState{pid,
                          mode,
                          previousVolume,
                          previousMuted,
                          previousAlertVolume,
                          previousBrightness,
                          previousKeyboardBrightness,
                          startedAt};
}

bool StateStore::saveState()
{
    // The monitor saves every second while nothing changes; only a change costs a write.
    return replaceFileIfChanged(stateFile, encodeState(persistedState()));
}

// --- keep-awake process

void StateStore::forgetProcess()
{
    process.reset();
    pid.reset();
    mode = AwakeMode::off;
    startedAt.reset();
}

bool StateStore::startKeepAwakeProcess(AwakeMode requested)
{
    process = platform_.keepAwake.launch(keepAwakeArguments(requested));
    if (!process)
        return false;
    pid = process->pid();
    return true;
}

void StateStore::stopKeepAwakeProcess()
{
    if (process && process->isRunning()) {
        process->terminateAndWait();
    } else if (isRecordedProcessAlive()) {
        platform_.keepAwake.sendTerminate(*pid);
    }
}

// A keep-awake process that holds nothing the desktop obeys for what the
// mode needs leaves the machine free to do it anyway: say so once, rather
// than show a mode that does less than it claims. Forced mode wants the
// displays to sleep, so only the system matters there.
void StateStore::noticeIfKeepAwakeFallsShort()
{
    if (!process || process->pid() == holdReportedPid_)
        return;
    const std::optional<KeepAwakeCoverage> coverage = process->coverage();
    if (!coverage)
        return;
    holdReportedPid_ = process->pid();
    if (!coverage->sleep)
        sendNotice(localized(QStringLiteral("此桌面仍可能让电脑睡眠"),
                             QStringLiteral("Computer may still sleep")));
    else if (!coverage->display && mode != AwakeMode::forced)
        sendNotice(localized(QStringLiteral("此桌面仍可能关闭屏幕"),
                             QStringLiteral("Screen may still turn off")));
}

void StateStore::reconnectIfPossible()
{
    noticeIfKeepAwakeFallsShort();
    const auto bytes = readWholeFile(stateFile);
    PersistedState record = (bytes ? decodeState(*bytes) : std::nullopt).value_or(PersistedState{});
    // A file that does not name the child this run started is older than
    // what the store holds: its last write failed. Keep the store and write
    // it again.
    if (process && record.pid != process->pid()) {
        record = persistedState();
        saveState();
    }

    previousVolume = record.previousVolume;
    previousMuted = record.previousMuted;
    previousAlertVolume = record.previousAlertVolume;
    previousBrightness = record.previousBrightness;
    previousKeyboardBrightness = record.previousKeyboardBrightness;
    startedAt = record.startedAt;

    if (!record.pid || *record.pid <= 0 || !platform_.keepAwake.isKeepAwakeProcess(*record.pid)) {
        // Died during forced mode: give back what the start took, or the next
        // start would capture the muted sound and the dark screen.
        if (record.mode == AwakeMode::forced)
            restoreSoundAndBrightness();
        forgetProcess();
        leaveForcedMode();
        cancelScheduledStop(false);
        saveState();
        return;
    }

    pid = record.pid;
    mode = record.mode;

    if (!startedAt && mode != AwakeMode::off) {
        startedAt = now();
        saveState();
    }

    if (mode != AwakeMode::forced) {
        leaveForcedMode();
        return;
    }

    if (!inputWatchTimer && !forcedStateTimer && !forcedSleepCommandTimer && overlayWindows.empty()) {
        beginForcedMode();
        return;
    }
    if (hasObservedDisplaySleep)
        return;
    reapplyForcedState();
    startWatchingForWakeInput();
}

// --- preferences and language

void StateStore::loadPreferences()
{
    const auto bytes = readWholeFile(prefsFile);
    const auto loaded = bytes ? decodePreferences(*bytes) : std::nullopt;
    preferences_ = loaded.value_or(Preferences::defaults());
    if (loaded)
        return;
    // The defaults would replace the user's settings for good: keep what could
    // not be read, so it can be mended by hand. Without that copy the file is
    // left for the next change to replace.
    if (bytes && !bytes->isEmpty() && !writeFileAtomically(prefsFile + QStringLiteral(".corrupt"), *bytes))
        return;
    savePreferences();
}

bool StateStore::savePreferences()
{
    return writeFileAtomically(prefsFile, encodePreferences(preferences_));
}

bool StateStore::changePreferences(const std::function<void(Preferences&)>& change)
{
    change(preferences_);
    return savePreferences();
}

void StateStore::setPelvaneColor(const QColor& color, PelvaneColorTarget target)
{
    const QColor srgb = color.isValid() ? color.toRgb() : color;
    changePreferences([&](Preferences& p) {
        (target == PelvaneColorTarget::hang ? p.hangPelvaneColor : p.forcedPelvaneColor) = srgb;
    });
}

AppLanguage StateStore::effectiveLanguage() const
{
    // Asking the system is slow, and the menu asks many times a second.
    if (preferences_.language != AppLanguage::system)
        return preferences_.language;
    return resolveLanguage(preferences_.language, platform_.environment.preferredLanguages());
}

QString StateStore::localized(const QString& zh, const QString& en) const
{
    return effectiveLanguage() == AppLanguage::english ? en : zh;
}

// --- history log

void StateStore::appendHistory(const QString& action, AwakeMode entryMode, const QString& note)
{
    AppendRecord record;
    const bool appended = appendHistoryLine(historyFile, encodeHistoryLine(HistoryEntry{now(), entryMode, action, note}),
                                            historyReader_ ? &record : nullptr);
    if (appended && historyReader_)
        historyReader_->noteAppend(record);
}

} // namespace launcher
