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
    : platform_(platform)
    , supportDirectory_(supportDirectoryFor(platform.environment))
    , stateFile_(supportDirectory_ + QStringLiteral("/state.json"))
    , historyFile_(supportDirectory_ + QStringLiteral("/history.jsonl"))
    , prefsFile_(supportDirectory_ + QStringLiteral("/prefs.json"))
    , loginItemPath_(platform.loginItem.itemPath())
    , capture_(platform_.sound, state_)
    , forced_(platform_.clock, platform_.screens, platform_.sound, [this] { return mode() == AwakeMode::forced; },
              [this] { return isRecordedProcessAlive(); })
    , wakeWatch_(platform_.clock, platform_.input, platform_.screenEvents, [this] { pollForWakeInput(); })
    , scheduledStop_(platform_.clock, [this] { disable(DisableReason::timerExpired, true); })
    , self_(std::make_shared<StateStore*>(this))
{
    QDir().mkpath(supportDirectory_);

    screenDidSleepObserver_ = platform_.screenEvents.addObserver(ScreenEvent::didSleep, guarded([](StateStore& store) {
        if (store.mode() == AwakeMode::forced)
            store.forced_.displaysDidSleep();
    }));
    screenDidWakeObserver_ = platform_.screenEvents.addObserver(ScreenEvent::didWake, guarded([](StateStore& store) {
        if (store.mode() != AwakeMode::forced || !store.forced_.hasObservedDisplaySleep())
            return;
        // Woken by input the grace period ignores (the click or key that
        // started the mode): back to sleep instead of ending it.
        if (store.wakeWatch_.withinGrace())
            store.forced_.displaysWokeTooSoon();
        else
            store.disable(DisableReason::wakeInput, true);
    }));

    loadPreferences();
}

// The parts cancel their own timers; the guard makes the delayed actions harmless.
StateStore::~StateStore()
{
    if (screenDidSleepObserver_)
        platform_.screenEvents.removeObserver(*screenDidSleepObserver_);
    if (screenDidWakeObserver_)
        platform_.screenEvents.removeObserver(*screenDidWakeObserver_);
}

std::function<void()> StateStore::guarded(std::function<void(StateStore&)> action)
{
    std::weak_ptr<StateStore*> weak = self_;
    return [weak, action = std::move(action)] {
        if (auto self = weak.lock())
            action(**self);
    };
}

bool StateStore::isActive() const
{
    return isRecordedProcessAlive();
}

bool StateStore::isRecordedProcessAlive() const
{
    return state_.pid && *state_.pid > 0 && platform_.keepAwake.isKeepAwakeProcess(*state_.pid);
}

std::optional<KeepAwakeCoverage> StateStore::keepAwakeCoverage()
{
    return process_ ? process_->coverage() : std::nullopt;
}

// --- state file

bool StateStore::saveState()
{
    // The monitor saves every second while nothing changes; only a change costs a write.
    return replaceFileIfChanged(stateFile_, encodeState(state_));
}

// --- keep-awake process

void StateStore::forgetProcess()
{
    process_.reset();
    state_.pid.reset();
    state_.mode = AwakeMode::off;
    state_.startedAt.reset();
}

bool StateStore::startKeepAwakeProcess(AwakeMode requested)
{
    process_ = platform_.keepAwake.launch(keepAwakeArguments(requested));
    if (!process_)
        return false;
    state_.pid = process_->pid();
    return true;
}

void StateStore::stopKeepAwakeProcess()
{
    if (process_ && process_->isRunning()) {
        process_->terminateAndWait();
    } else if (isRecordedProcessAlive()) {
        platform_.keepAwake.sendTerminate(*state_.pid);
    }
}

// A keep-awake process that holds nothing the desktop obeys for what the
// mode needs leaves the machine free to do it anyway: say so once, rather
// than show a mode that does less than it claims. Forced mode wants the
// displays to sleep, so only the system matters there.
void StateStore::noticeIfKeepAwakeFallsShort()
{
    if (!process_ || process_->pid() == holdReportedPid_)
        return;
    const std::optional<KeepAwakeCoverage> coverage = process_->coverage();
    if (!coverage)
        return;
    holdReportedPid_ = process_->pid();
    if (!coverage->sleep)
        sendNotice(localized(QStringLiteral("此桌面仍可能让电脑睡眠"),
                             QStringLiteral("Computer may still sleep")));
    else if (!coverage->display && mode() != AwakeMode::forced)
        sendNotice(localized(QStringLiteral("此桌面仍可能关闭屏幕"),
                             QStringLiteral("Screen may still turn off")));
}

void StateStore::reconnectIfPossible()
{
    noticeIfKeepAwakeFallsShort();
    const auto bytes = readWholeFile(stateFile_);
    PersistedState record = (bytes ? decodeState(*bytes) : std::nullopt).value_or(PersistedState{});
    // A file that does not name the child this run started is older than
    // what the store holds: its last write failed. Keep the store and write
    // it again.
    if (process_ && record.pid != process_->pid()) {
        record = state_;
        saveState();
    }
    // The file may have been written by another run: its process, mode and
    // captured values are the ones to go on with.
    state_ = record;

    if (!isRecordedProcessAlive()) {
        // Died during forced mode: give back what the start took, or the next
        // start would capture the muted sound and the dark screen.
        if (record.mode == AwakeMode::forced)
            capture_.restore();
        forgetProcess();
        leaveForcedMode();
        cancelScheduledStop(false);
        saveState();
        return;
    }

    if (!state_.startedAt && mode() != AwakeMode::off) {
        state_.startedAt = now();
        saveState();
    }

    if (mode() != AwakeMode::forced) {
        leaveForcedMode();
        return;
    }
    // Nothing of forced mode runs in this process, typically after a restart.
    if (!wakeWatch_.isArmed() && forced_.isIdle()) {
        beginForcedMode();
        return;
    }
    // While the screens sleep, their waking decides.
    if (forced_.hasObservedDisplaySleep())
        return;
    forced_.reapply();
    wakeWatch_.start();
}

// --- forced mode and its wake-input watch

void StateStore::beginForcedMode()
{
    forced_.begin();
    if (mode() == AwakeMode::forced)
        noticeIfDisplaysCannotSleep();
    wakeWatch_.start();
}

// Said once per run: forced mode still covers the screens and ends on input.
void StateStore::noticeIfDisplaysCannotSleep()
{
    if (toldDisplaysStayOn_ || platform_.screens.canSleepDisplays())
        return;
    toldDisplaysStayOn_ = true;
    sendNotice(localized(QStringLiteral("此桌面不允许关闭显示器"),
                         QStringLiteral("This desktop does not let Pelvane turn the displays off")));
}

void StateStore::reinforceForcedStart()
{
    if (mode() == AwakeMode::forced)
        beginForcedMode();
}

void StateStore::stopForcedMachinery()
{
    stopWatchingForWakeInput();
    forced_.stop();
}

void StateStore::leaveForcedMode()
{
    forced_.hideBlackout();
    stopForcedMachinery();
}

void StateStore::stopWatchingForWakeInput()
{
    wakeWatch_.stop();
    forced_.disarm();
}

void StateStore::pollForWakeInput()
{
    if (mode() != AwakeMode::forced) {
        stopWatchingForWakeInput();
        return;
    }
    // While the screens sleep, their waking decides.
    if (forced_.hasObservedDisplaySleep())
        return;
    if (wakeWatch_.inputSincePreviousReading())
        disable(DisableReason::wakeInput, true);
}

// --- preferences and language

void StateStore::loadPreferences()
{
    const auto bytes = readWholeFile(prefsFile_);
    const auto loaded = bytes ? decodePreferences(*bytes) : std::nullopt;
    preferences_ = loaded.value_or(Preferences::defaults());
    if (loaded)
        return;
    // The defaults would replace the user's settings for good: keep what could
    // not be read, so it can be mended by hand. Without that copy the file is
    // left for the next change to replace.
    if (bytes && !bytes->isEmpty() && !writeFileAtomically(prefsFile_ + QStringLiteral(".corrupt"), *bytes))
        return;
    savePreferences();
}

bool StateStore::savePreferences()
{
    return writeFileAtomically(prefsFile_, encodePreferences(preferences_));
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
    const bool appended = appendHistoryLine(historyFile_, encodeHistoryLine(HistoryEntry{now(), entryMode, action, note}),
                                            historyReader_ ? &record : nullptr);
    if (appended && historyReader_)
        historyReader_->noteAppend(record);
}

} // namespace launcher
