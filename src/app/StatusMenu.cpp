// The status menu, its actions, the timed presets and the mascot colours.

#include "app/AppDelegate.h"
#include "app/MascotColors.h"
#include "engine/Constants.h"

#include <algorithm>
#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QUrl>

namespace launcher {

namespace {

const char* const tagProperty = "launcherTag";
constexpr QKeyCombination quitKey(Qt::ControlModifier, Qt::Key_Q);

} // namespace

QAction* actionWithTag(QMenu* menu, int tag)
{
    if (!menu)
        return nullptr;
    for (QAction* action : menu->actions())
        if (action->property(tagProperty).toInt() == tag)
            return action;
    return nullptr;
}

QAction* AppDelegate::addAction(QMenu& menu, const QString& title, std::function<void()> action, int tag)
{
    QAction* item = menu.addAction(title);
    if (tag)
        item->setProperty(tagProperty, tag);
    if (action)
        connect(item, &QAction::triggered, this, std::move(action));
    else
        item->setEnabled(false); // information only
    return item;
}

void AppDelegate::configureMenu()
{
    auto menu = std::make_unique<QMenu>();
    QMenu& m = *menu;
    const bool english = state.effectiveLanguage() == AppLanguage::english;

    addAction(m, localized(QStringLiteral("状态"), QStringLiteral("Status")), nullptr, statusLineTag);
    addAction(m, localized(QStringLiteral("模式"), QStringLiteral("Mode")), nullptr, modeLineTag);
    addAction(m, localized(QStringLiteral("时长"), QStringLiteral("Duration")), nullptr, elapsedLineTag);
    addAction(m, localized(QStringLiteral("定时：未设置"), QStringLiteral("Timer: not set")), nullptr, timerLineTag);

    QAction* mute = addAction(m, localized(QStringLiteral("强制挂机时静音"), QStringLiteral("Mute during forced mode")),
                              [this] { toggleMuteInForced(); }, muteInForcedTag);
    mute->setCheckable(true);
    mute->setChecked(state.preferences().muteInForced);
    addAction(m,
              withHotKey(localized(QStringLiteral("开启强制挂机（3小时，显示器关闭，可静音）"),
                                   QStringLiteral("Start forced mode (3h, display off, optional mute)")),
                         HotKeyAction::forceMode, english),
              [this] { enableForcedAwake(); }, startForcedTag);

    QMenu* timed = makeTimedPresetMenu(AwakeMode::normal, &m);
    timed->setTitle(localized(QStringLiteral("定时挂机"), QStringLiteral("Timed awake")));
    m.addMenu(timed);
    QMenu* timedForced = makeTimedPresetMenu(AwakeMode::forced, &m);
    timedForced->setTitle(localized(QStringLiteral("定时强制挂机"), QStringLiteral("Timed forced mode")));
    m.addMenu(timedForced);

    QAction* cancel = addAction(m, localized(QStringLiteral("取消定时关闭"), QStringLiteral("Cancel timer")),
                                [this] { cancelTimedStop(); }, cancelTimerTag);
    cancel->setEnabled(state.hasScheduledStop());

    QMenu* palette = m.addMenu(localized(QStringLiteral("Pelvane调色盘"), QStringLiteral("Pelvane palette")));
    QMenu* hangColors = makeColorTargetMenu(PelvaneColorTarget::hang, palette);
    hangColors->setTitle(QStringLiteral("挂机颜色"));
    palette->addMenu(hangColors);
    QMenu* forcedColors = makeColorTargetMenu(PelvaneColorTarget::forced, palette);
    forcedColors->setTitle(QStringLiteral("强制颜色"));
    palette->addMenu(forcedColors);

    m.addSeparator();
    addAction(m,
              withHotKey(localized(QStringLiteral("切换挂机"), QStringLiteral("Toggle awake")), HotKeyAction::toggleNormal,
                         english),
              [this] { toggleAwake(); }, toggleTag);
    addAction(m,
              withHotKey(localized(QStringLiteral("关闭挂机"), QStringLiteral("Disable awake")), HotKeyAction::disable,
                         english),
              [this] { disableAwake(); }, disableTag);
    m.addSeparator();
    addAction(m, localized(QStringLiteral("打开状态文件夹"), QStringLiteral("Open support folder")),
              [this] { openStateFolder(); });
    addAction(m, localized(QStringLiteral("打开历史看板"), QStringLiteral("Open dashboard")),
              [this] { openHistoryFile(); });
    addAction(m, localized(QStringLiteral("开机自启"), QStringLiteral("Launch at login")),
              [this] { toggleLaunchAtLogin(); }, launchAtLoginTag);
    m.addSeparator();
    addAction(m, localized(QStringLiteral("版本："), QStringLiteral("Version：")) + appVersion, nullptr, versionTag);
    m.addSeparator();
    QAction* quit = addAction(m, localized(QStringLiteral("退出"), QStringLiteral("Quit")), [this] { quitApp(); });
    quit->setShortcut(QKeySequence(quitKey));
    // An open menu holds the keyboard, and Qt fires no shortcut of a popup's own items.
    m.installEventFilter(this);
    for (QMenu* submenu : m.findChildren<QMenu*>())
        submenu->installEventFilter(this);

    // Also when a StatusNotifier host draws it from its copy over D-Bus.
    QObject::connect(&m, &QMenu::aboutToShow, &m, [this, &m] {
        menuOpen_ = true;
        refreshMenu(m);
    });
    QObject::connect(&m, &QMenu::aboutToHide, &m, [this] { menuOpen_ = false; });
    menuOpen_ = false;
    // The tray keeps a plain pointer: hand it the new menu before the old one goes.
    statusItem.setMenu(menu.get());
    if (menu_)
        menu_.release()->deleteLater();
    menu_ = std::move(menu);
}

QString statusLineText(AwakeMode mode, bool english)
{
    switch (mode) {
    case AwakeMode::off:
        return english ? QStringLiteral("Status: idle") : QStringLiteral("状态：待机");
    case AwakeMode::normal:
        return english ? QStringLiteral("Status: awake mode active") : QStringLiteral("状态：挂机模式中，电脑保持唤醒");
    case AwakeMode::forced:
        break;
    }
    return english ? QStringLiteral("Status: forced mode active")
                   : QStringLiteral("状态：强制挂机中，全黑遮罩 + 静音 + 保持唤醒");
}

void AppDelegate::refreshMenu(QMenu& menu)
{
    // Once per refresh: asking the system for its language is not cheap.
    const bool english = state.effectiveLanguage() == AppLanguage::english;
    const auto localized = [english](const QString& zh, const QString& en) { return english ? en : zh; };
    const auto retitle = [&menu](int tag, const QString& title) {
        QAction* item = actionWithTag(&menu, tag);
        if (item)
            item->setText(title);
        return item;
    };
    const AwakeMode mode = state.mode();
    const bool awake = mode != AwakeMode::off;

    retitle(statusLineTag, statusLineText(mode, english));
    retitle(modeLineTag,
            mode == AwakeMode::off ? localized(QStringLiteral("模式说明：白色呼吸灯，正常使用"),
                                               QStringLiteral("Mode: white breathing light, normal use"))
            : mode == AwakeMode::normal
                ? localized(QStringLiteral("模式说明：淡绿呼吸灯，保持唤醒"),
                            QStringLiteral("Mode: green breathing light, keep awake"))
                : localized(QStringLiteral("模式说明：全绿Pelvane，压暗屏幕/键盘灯，鼠标或键盘会自动恢复"),
                            QStringLiteral("Mode: full green pelvane, screen and keyboard dimmed")));
    retitle(elapsedLineTag,
            localized(QStringLiteral("已挂机"), QStringLiteral("Elapsed")) + QStringLiteral("：") + state.durationLabel());
    if (QAction* mute = retitle(muteInForcedTag,
                                localized(QStringLiteral("强制挂机时静音"), QStringLiteral("Mute during forced mode"))))
        mute->setChecked(state.preferences().muteInForced);
    retitle(launchAtLoginTag, state.launchAtLoginInstalled()
                                  ? localized(QStringLiteral("关闭开机自动启动"), QStringLiteral("Disable launch at login"))
                                  : localized(QStringLiteral("开启开机自动启动"), QStringLiteral("Enable launch at login")));
    retitle(startForcedTag, withHotKey(localized(QStringLiteral("开启强制挂机（3小时，显示器关闭，可静音）"),
                                                 QStringLiteral("Start forced mode (3h, display off, optional mute)")),
                                       HotKeyAction::forceMode, english));
    retitle(timerLineTag, localized(QStringLiteral("定时"), QStringLiteral("Timer")) + QStringLiteral("：") +
                              state.scheduleLabel(localized));
    if (QAction* cancel = retitle(cancelTimerTag, localized(QStringLiteral("取消定时关闭"), QStringLiteral("Cancel timer"))))
        cancel->setEnabled(state.hasScheduledStop());
    retitle(toggleTag, withHotKey(awake ? localized(QStringLiteral("关闭挂机模式"), QStringLiteral("Disable awake mode"))
                                        : localized(QStringLiteral("开启挂机模式"), QStringLiteral("Enable awake mode")),
                                  HotKeyAction::toggleNormal, english));
    retitle(disableTag, withHotKey(localized(QStringLiteral("关闭挂机"), QStringLiteral("Disable awake")),
                                   HotKeyAction::disable, english));
}

QString AppDelegate::withHotKey(const QString& title, HotKeyAction action, bool english) const
{
    // Menus show what follows a tab in their shortcut column.
    QString column = hotKeyText(action);
    if (std::find(unavailableHotKeys.begin(), unavailableHotKeys.end(), action) != unavailableHotKeys.end())
        column += english ? QStringLiteral(" (unavailable)") : QStringLiteral("（不可用）");
    return title + QLatin1Char('\t') + column;
}

bool AppDelegate::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QMenu*>(watched)
        && static_cast<QKeyEvent*>(event)->keyCombination() == quitKey) {
        quitApp();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

// --- actions

void AppDelegate::toggleAwake()
{
    performMenuActionDeferred(toggleDelay, [this] {
        if (state.mode() == AwakeMode::off)
            attemptEnable(AwakeMode::normal);
        else
            state.disable(DisableReason::manual, true);
        updateUI();
    });
}

void AppDelegate::disableAwake()
{
    state.disable(DisableReason::manual, true);
    updateUI();
}

void AppDelegate::cancelTimedStop()
{
    state.cancelScheduledStop(true);
    updateUI();
}

void AppDelegate::toggleMuteInForced()
{
    // A running forced mode keeps its sound; the setting applies to the next start.
    state.changePreferences([](Preferences& p) { p.muteInForced = !p.muteInForced; });
    updateUI();
}

void AppDelegate::openStateFolder()
{
    desktop_.desktop.open(QUrl::fromLocalFile(state.supportDirectory()));
}

void AppDelegate::openHistoryFile()
{
    const auto sessions = state.historySessions();
    if (dashboard->exists())
        dashboard->close();
    dashboard->open(state, sessions, dashboardActions());
    desktop_.desktop.activateIgnoringOtherApps();
}

void AppDelegate::toggleLaunchAtLogin()
{
    if (state.launchAtLoginInstalled())
        state.uninstallLaunchAtLogin();
    else
        state.installLaunchAtLogin();
    updateUI();
}

void AppDelegate::quitApp()
{
    state.disable(DisableReason::appQuit, true);
    desktop_.desktop.terminate();
}

void AppDelegate::attemptEnable(AwakeMode mode)
{
    if (const auto refusal = state.canStartMode()) {
        showRefusal(*refusal);
        return;
    }
    state.enable(mode);
    updateDashboardIfOpen();
}

DashboardActions AppDelegate::dashboardActions()
{
    DashboardActions actions;
    actions.onRefreshRequested = guarded([](AppDelegate& self) {
        self.configureMenu();
        self.updateUI();
        self.updateDashboardIfOpen();
    });
    actions.onActivateForced = guarded([](AppDelegate& self) { self.enableForcedAwake(); });
    actions.onDisable = guarded([](AppDelegate& self) { self.disableAwake(); });
    actions.onApplyPreset = [weak = std::weak_ptr<AppDelegate*>(self_)](const TimedPresetChoice& choice) {
        // The same path as a preset item of the menu.
        if (const auto self = weak.lock())
            (*self)->enableTimedPreset(QVariant::fromValue(choice));
    };
    return actions;
}

// --- timed presets

QMenu* AppDelegate::makeTimedPresetMenu(AwakeMode mode, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    for (const TimedPreset& preset : timedPresetCatalogue()) {
        QAction* item = menu->addAction(localized(preset.zh, preset.en));
        item->setData(QVariant::fromValue(TimedPresetChoice{mode, preset.duration}));
        connect(item, &QAction::triggered, this, [this, item] { enableTimedPreset(item->data()); });
    }
    return menu;
}

void AppDelegate::enableTimedPreset(const QVariant& representedObject)
{
    if (representedObject.metaType() != QMetaType::fromType<TimedPresetChoice>())
        return;
    const auto preset = representedObject.value<TimedPresetChoice>();
    if (preset.mode == AwakeMode::off)
        return; // not a mode one can start
    attemptEnable(preset.mode);
    // Even after a refusal: the timed stop then applies to whatever runs.
    applyTimedStop(preset.duration);
}

std::optional<QString> AppDelegate::startRequested(const TimedPresetChoice& preset)
{
    if (const auto refusal = state.canStartMode()) {
        // Shown on the screen as well; the settings are not opened for
        // someone who asked from elsewhere, and what runs keeps its stop.
        state.sendNotice(*refusal);
        return refusal;
    }
    state.enable(preset.mode);
    if (state.mode() != preset.mode) {
        updateUI();
        return localized(QStringLiteral("挂机进程无法启动"), QStringLiteral("The keep-awake process could not start"));
    }
    applyTimedStop(preset.duration);
    return std::nullopt;
}

void AppDelegate::applyTimedStop(std::optional<double> duration)
{
    if (duration)
        state.scheduleAutoDisable(*duration);
    else
        state.cancelScheduledStop(false);
    updateDashboardIfOpen();
    updateUI();
}

// --- mascot colours

QMenu* AppDelegate::makeColorTargetMenu(PelvaneColorTarget target, QWidget* parent)
{
    auto* menu = new QMenu(parent);
    for (const ColorPreset& preset : colorPresets()) {
        QAction* item = menu->addAction(preset.title);
        item->setData(rawValue(target) + QLatin1Char('|') + preset.hex);
        connect(item, &QAction::triggered, this, [this, item] { applyColorPreset(item->data()); });
    }
    menu->addSeparator();
    QAction* custom = menu->addAction(QStringLiteral("自定义颜色…"));
    custom->setData(rawValue(target));
    connect(custom, &QAction::triggered, this, [this, custom] { openCustomColorPanel(custom->data()); });
    return menu;
}

void AppDelegate::applyColorPreset(const QVariant& representedObject)
{
    const auto preset = colorPresetFromObject(representedObject);
    if (!preset)
        return;
    state.setPelvaneColor(preset->second, preset->first);
    updateUI();
}

void AppDelegate::openCustomColorPanel(const QVariant& representedObject)
{
    const auto target = colorTargetFromObject(representedObject);
    if (!target)
        return;
    activeColorTarget = *target;
    const QColor current = state.pelvaneColor(*target);
    desktop_.colorPanel.open(current, [weak = std::weak_ptr<AppDelegate*>(self_)](const QColor& color) {
        if (const auto self = weak.lock())
            (*self)->colorPanelDidChange(color);
    });
    desktop_.desktop.activateIgnoringOtherApps();
}

void AppDelegate::colorPanelDidChange(const QColor& color)
{
    state.setPelvaneColor(color, activeColorTarget);
    updateUI();
}

} // namespace launcher
