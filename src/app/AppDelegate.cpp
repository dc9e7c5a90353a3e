#include "app/AppDelegate.h"

#include "engine/Constants.h"
#include "store/Labels.h"

#include <algorithm>
#include <QKeySequence>
#include <QMenu>

#include <iterator>

namespace launcher {

namespace {

struct HotKeyCombination {
    HotKeyAction action;
    Qt::Key key; // with Control and Option
};

// In the order they are registered.
constexpr HotKeyCombination hotKeyCombinations[] = {
    {HotKeyAction::toggleNormal, Qt::Key_L},
    {HotKeyAction::forceMode, Qt::Key_F},
    {HotKeyAction::disable, Qt::Key_0},
};

} // namespace

AppDelegate::AppDelegate(const Platform& platform, const AppPlatform& desktop, std::unique_ptr<DashboardHost> dashboardHost)
    : statusItem(desktop.statusItem),
      state(platform),
      dashboard(dashboardHost ? std::move(dashboardHost) : std::make_unique<NullDashboardHost>()),
      clock_(platform.clock),
      desktop_(desktop),
      self_(std::make_shared<AppDelegate*>(this))
{
}

AppDelegate::~AppDelegate()
{
    self_.reset();
    for (auto* timer : {&monitorTimer, &pulseTimer})
        if (*timer)
            clock_.cancel(**timer);
    state.setOnNotice(nullptr);
    if (menu_)
        statusItem.setMenu(nullptr);
}

std::function<void()> AppDelegate::guarded(std::function<void(AppDelegate&)> action)
{
    return [weak = std::weak_ptr<AppDelegate*>(self_), action = std::move(action)] {
        if (const auto self = weak.lock())
            action(**self);
    };
}

// --- lifecycle

void AppDelegate::applicationDidFinishLaunching()
{
    desktop_.desktop.setAccessoryActivationPolicy();
    state.setOnNotice([weak = std::weak_ptr<AppDelegate*>(self_)](const QString& message) {
        if (const auto self = weak.lock())
            (*self)->showNotice(message);
    });
    configureMenu();
    // Where the tray keeps the menu for the other button, the click that would
    // have opened it opens the dashboard: the program has no other window.
    statusItem.setPrimaryAction(guarded([](AppDelegate& self) { self.openHistoryFile(); }));

    // The native handler only posts: the actions run from the event loop,
    // in the order of the presses.
    desktop_.hotKeys.installHandler([this, weak = std::weak_ptr<AppDelegate*>(self_)](int id) {
        if (weak.expired())
            return;
        if (const auto action = hotKeyActionFromId(id))
            clock_.singleShot(0, guarded([action = *action](AppDelegate& self) { self.performHotKeyAction(action); }));
    });
    hotKeyHandlerInstalled = true;
    desktop_.hotKeys.setLateRefusalHandler([weak = std::weak_ptr<AppDelegate*>(self_)](const std::vector<int>& ids) {
        if (const auto self = weak.lock())
            (*self)->hotKeysRefusedLater(ids);
    });
    for (const HotKeyCombination& combination : hotKeyCombinations)
        registerHotKey(combination.key, hotKeyControlOption, combination.action);
    reportUnavailableHotKeys();

    state.reconnectIfPossible();
    // The start conditions are not asked here: the first monitor tick
    // applies the running policies.
    if (state.mode() == AwakeMode::off)
        state.enable(AwakeMode::normal);
    updateUI();
    // Without a tray nothing would show that the machine is kept awake, nor
    // offer to stop it. A tray started with the session may come a little later.
    if (!statusItem.isShown())
        clock_.singleShot(trayWaitInterval, guarded([](AppDelegate& self) { self.standInForMissingTray(); }));

    if (monitorTimer)
        clock_.cancel(*monitorTimer);
    monitorTimer = clock_.repeating(monitorInterval, guarded([](AppDelegate& self) {
        self.state.reconnectIfPossible();
        self.state.enforceRuntimePoliciesIfNeeded();
        self.updateDashboardIfOpen();
        self.updateStatusItem();
        const bool toolTipChanged = self.updateToolTip();
        // A tray drawn in another process is sent every change of the menu's
        // texts too: there a closed menu follows the tooltip (a new minute, a
        // new mode) and is brought up to date as it opens.
        if (self.menu_ && (self.statusItem.showsFramesCheaply() || self.menuOpen_ || toolTipChanged))
            self.refreshMenu(*self.menu_);
    }));
    if (pulseTimer)
        clock_.cancel(*pulseTimer);
    pulseTimer = clock_.repeating(pulseInterval, guarded([](AppDelegate& self) {
        self.pulsePhase += pulseInterval;
        // A still glyph changes with the mode only: the monitor and every action draw it.
        if (self.statusItem.showsFramesCheaply())
            self.updateStatusItem();
        // A closed menu's texts change at most once a second: the monitor tick
        // and the opening of the menu keep them current.
        if (self.menu_ && self.menu_->isVisible())
            self.refreshMenu(*self.menu_);
    }));
}

void AppDelegate::applicationWillTerminate()
{
    cancelTimers();
    if (!hotKeyRefs.empty()) {
        desktop_.hotKeys.unregisterAll();
        hotKeyRefs.clear();
    }
    if (hotKeyHandlerInstalled) {
        desktop_.hotKeys.setLateRefusalHandler(nullptr);
        desktop_.hotKeys.removeHandler();
        hotKeyHandlerInstalled = false;
    }
    state.disable(DisableReason::appQuit, true);
}

void AppDelegate::cancelTimers()
{
    for (auto* timer : {&monitorTimer, &pulseTimer}) {
        if (*timer)
            clock_.cancel(**timer);
        timer->reset();
    }
}

void AppDelegate::applicationLostDisplay()
{
    cancelTimers();
    state.setOnNotice(nullptr); // no screen to show a toast on
    state.disable(DisableReason::appQuit, true);
}

void AppDelegate::performMenuActionDeferred(double delay, std::function<void()> action)
{
    clock_.singleShot(delay, guarded([action = std::move(action)](AppDelegate&) { action(); }));
}

void AppDelegate::showNotice(const QString& message)
{
    if (!toastController)
        toastController = std::make_unique<ToastWindowController>(desktop_.desktop, clock_);
    toastController->show(message);
}

void AppDelegate::updateDashboardIfOpen()
{
    if (dashboard->exists())
        dashboard->update(state, state.historySessions());
}

void AppDelegate::standInForMissingTray()
{
    if (statusItem.isShown())
        return;
    if (onStartupProblem)
        onStartupProblem(QStringLiteral("launcher: no system tray to show the status item in; "
                                        "the dashboard shows the mode and can stop it"));
    openHistoryFile();
}

// --- drawing

void AppDelegate::updateUI()
{
    // The toolkit's dialogs follow the language setting like every other text.
    const QString language =
        state.effectiveLanguage() == AppLanguage::english ? QStringLiteral("en") : QStringLiteral("zh_CN");
    if (language != interfaceLanguage_) {
        desktop_.desktop.useInterfaceLanguage(language);
        interfaceLanguage_ = language;
    }
    updateStatusItem();
    updateToolTip();
    if (menu_)
        refreshMenu(*menu_);
}

void AppDelegate::updateStatusItem()
{
    // The pulse calls this 20 times a second: the tray is handed only what changed.
    const double phase = statusItem.showsFramesCheaply() ? pulsePhase : stillPulsePhase;
    const QImage image = glyphs_.frame(state.mode(), state.preferences().hangPelvaneColor,
                                         state.preferences().forcedPelvaneColor, phase);
    if (lastImageKey_ != image.cacheKey()) {
        statusItem.setImage(image);
        lastImageKey_ = image.cacheKey();
    }
    const QString title = state.durationLabelForStatusBar();
    if (lastTitle_ != title) {
        statusItem.setTitle(title);
        lastTitle_ = title;
    }
}

bool AppDelegate::updateToolTip()
{
    const bool english = state.effectiveLanguage() == AppLanguage::english;
    const QString time = statusItem.showsFramesCheaply()
        ? state.durationLabelForStatusBar()
        : durationLabelInMinutes(state.mode(), state.startedAt(), state.scheduledStopAt(), state.now(), english);
    QString tip = QStringLiteral("Pelvane");
    if (!time.isEmpty())
        tip += QLatin1Char(' ') + time;
    tip += QLatin1Char('\n') + statusLineText(state.mode(), english);
    if (lastToolTip_ == tip)
        return false;
    statusItem.setToolTip(tip);
    lastToolTip_ = tip;
    return true;
}

// --- forced activation

void AppDelegate::enableForcedAwake()
{
    performMenuActionDeferred(forcedStartDelay, [this] {
        if (state.canStartMode())
            attemptEnable(AwakeMode::forced); // asks again and shows the refusal
        else
            activateForcedModeWithRetry();
        if (state.mode() != AwakeMode::forced)
            return;
        state.scheduleAutoDisable(forcedQuickDuration);
        updateDashboardIfOpen();
        updateUI();
    });
}

void AppDelegate::showRefusal(const QString& refusal)
{
    state.sendNotice(refusal);
    openHistoryFile();
    if (dashboard->exists())
        dashboard->showSettingsTab();
}

void AppDelegate::activateForcedModeWithRetry()
{
    if (const auto refusal = state.canStartMode()) {
        showRefusal(*refusal);
        return;
    }
    const bool wasOff = state.mode() == AwakeMode::off;
    statusItem.closeMenu();
    state.enable(AwakeMode::forced);
    updateUI();
    // Another program or the display itself may undo the start; make sure it held.
    for (double delay : forcedCheckDelays)
        clock_.singleShot(delay, guarded([wasOff](AppDelegate& self) { self.checkForcedActivation(wasOff); }));
}

void AppDelegate::checkForcedActivation(bool wasOff)
{
    if (state.mode() != AwakeMode::forced || !state.isActive()) {
        state.enable(AwakeMode::forced);
        updateUI();
        return;
    }
    if (wasOff) {
        state.beginForcedMode();
        updateUI();
    }
}

// --- hot keys

std::optional<HotKeyAction> hotKeyActionFromId(int id)
{
    switch (id) {
    case int(HotKeyAction::toggleNormal):
        return HotKeyAction::toggleNormal;
    case int(HotKeyAction::forceMode):
        return HotKeyAction::forceMode;
    case int(HotKeyAction::disable):
        return HotKeyAction::disable;
    default:
        return std::nullopt;
    }
}

QString hotKeyText(HotKeyAction action)
{
    const auto combination = std::find_if(std::begin(hotKeyCombinations), std::end(hotKeyCombinations),
                                          [action](const HotKeyCombination& c) { return c.action == action; });
    if (combination == std::end(hotKeyCombinations))
        return {};
    return QKeySequence(QKeyCombination(hotKeyControlOption, combination->key)).toString(QKeySequence::NativeText);
}

QString AppDelegate::hotKeyDescription(HotKeyAction action) const
{
    switch (action) {
    case HotKeyAction::toggleNormal:
        return localized(QStringLiteral("切换挂机模式"), QStringLiteral("Toggle awake mode"));
    case HotKeyAction::forceMode:
        return localized(QStringLiteral("切换强制挂机"), QStringLiteral("Toggle forced mode"));
    case HotKeyAction::disable:
        return localized(QStringLiteral("关闭挂机"), QStringLiteral("Disable awake"));
    }
    return {};
}

void AppDelegate::registerHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers, HotKeyAction action)
{
    const bool registered = desktop_.hotKeys.registerHotKey(key, modifiers, int(action), hotKeyDescription(action));
    hotKeyRefs.push_back(registered ? std::optional(action) : std::nullopt);
    if (!registered)
        unavailableHotKeys.push_back(action);
}

void AppDelegate::hotKeysRefusedLater(const std::vector<int>& ids)
{
    for (int id : ids) {
        const std::optional<HotKeyAction> action = hotKeyActionFromId(id);
        if (!action)
            continue;
        std::replace(hotKeyRefs.begin(), hotKeyRefs.end(), std::optional(*action), std::optional<HotKeyAction>());
        if (std::find(unavailableHotKeys.begin(), unavailableHotKeys.end(), *action) == unavailableHotKeys.end())
            unavailableHotKeys.push_back(*action);
    }
    reportUnavailableHotKeys();
    updateUI();
}

void AppDelegate::reportUnavailableHotKeys()
{
    // Said once: the menu keeps showing it afterwards.
    if (unavailableHotKeys.empty() || hotKeysReported_)
        return;
    hotKeysReported_ = true;
    if (desktop_.hotKeys.refusal() == HotKeyRefusal::notOffered) {
        qWarning("launcher: this desktop offers no global hot keys; every command stays in the menu");
        state.sendNotice(localized(QStringLiteral("此桌面不支持全局快捷键，请使用菜单中的命令"),
                                   QStringLiteral("Hot keys are not available on this desktop; use the menu instead")));
        return;
    }
    QStringList keys;
    for (HotKeyAction action : unavailableHotKeys) {
        keys.append(hotKeyText(action));
        qWarning("launcher: the hot key %s could not be registered; another program may hold it",
                 qPrintable(keys.back()));
    }
    const bool several = keys.size() > 1;
    const QString message = localized(QStringLiteral("快捷键 ") + keys.join(QStringLiteral("、"))
                                          + QStringLiteral(" 不可用，可能已被占用"),
                                      (several ? QStringLiteral("Hot keys ") : QStringLiteral("Hot key "))
                                          + keys.join(QStringLiteral(", "))
                                          + (several ? QStringLiteral(" are unavailable; another program may hold them")
                                                     : QStringLiteral(" is unavailable; another program may hold it")));
    state.sendNotice(message);
}

void AppDelegate::performHotKeyAction(HotKeyAction action)
{
    switch (action) {
    case HotKeyAction::toggleNormal:
        // Straight to normal mode, without asking the start conditions.
        if (state.mode() == AwakeMode::normal)
            state.disable(DisableReason::manual, true);
        else
            state.enable(AwakeMode::normal);
        break;
    case HotKeyAction::forceMode:
        if (state.mode() == AwakeMode::forced)
            state.disable(DisableReason::manual, true);
        else
            activateForcedModeWithRetry();
        break;
    case HotKeyAction::disable:
        state.disable(DisableReason::manual, true);
        break;
    }
    updateUI();
}

} // namespace launcher
