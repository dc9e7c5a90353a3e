#pragma once

#include "app/DashboardHost.h"
#include "app/StatusGlyph.h"
#include "app/TimedPresets.h"
#include "app/ToastWindowController.h"
#include "engine/StateStore.h"
#include "platform/AppPlatform.h"

#include <QObject>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QMenu;
class QWidget;

namespace launcher {

// Tags of the status menu items that updateUI() retitles.
enum MenuTag : int {
    statusLineTag = 1001,
    toggleTag = 1002,
    modeLineTag = 1003,
    elapsedLineTag = 1004,
    launchAtLoginTag = 1005,
    muteInForcedTag = 1006,
    versionTag = 1008,
    timerLineTag = 1009,
    cancelTimerTag = 1010,
    startForcedTag = 1012,
    disableTag = 1013, // retitled only for its hot key
};

// The first item of menu carrying tag, or null. Submenus are not searched.
QAction* actionWithTag(QMenu* menu, int tag);

std::optional<HotKeyAction> hotKeyActionFromId(int id);

// The combination of action as the platform writes it, e.g. "Ctrl+Alt+L".
QString hotKeyText(HotKeyAction action);
// The status menu's first line for mode.
QString statusLineText(AwakeMode mode, bool english);

// Owns everything the menu-bar program shows and the state store behind it.
// Main thread only; every timer and delayed step goes through the clock and
// does nothing once the delegate is gone.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    // The top of a breath: where frames are dear, the glyph stands here.
    static constexpr double stillPulsePhase = 2.5;

    // Without a dashboard host the placeholder is used.
    AppDelegate(const Platform& platform, const AppPlatform& desktop, std::unique_ptr<DashboardHost> dashboard = nullptr);
    ~AppDelegate() override;

    StatusItem& statusItem;
    StateStore state;
    std::optional<TimerId> monitorTimer;
    std::optional<TimerId> pulseTimer;
    double pulsePhase = 0.0;
    const std::unique_ptr<DashboardHost> dashboard;
    std::unique_ptr<ToastWindowController> toastController;
    // One entry per registration attempt, in order; absent where it failed.
    std::vector<std::optional<HotKeyAction>> hotKeyRefs;
    // The combinations that could not be had, in registration order.
    std::vector<HotKeyAction> unavailableHotKeys;
    bool hotKeyHandlerInstalled = false;
    PelvaneColorTarget activeColorTarget = PelvaneColorTarget::hang;
    // Told of a problem the user cannot see on screen (for stderr).
    std::function<void(const QString&)> onStartupProblem;

    // --- lifecycle
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    // The process is being ended under us because the display went away:
    // stops the mode as Quit does, without drawing or the hot keys, whose
    // grabs went with the display.
    void applicationLostDisplay();
    void performMenuActionDeferred(double delay, std::function<void()> action);
    void updateUI();

    // --- status menu
    void configureMenu();
    QMenu* menu() const { return menu_.get(); }
    QMenu* makeTimedPresetMenu(AwakeMode mode, QWidget* parent);
    QMenu* makeColorTargetMenu(PelvaneColorTarget target, QWidget* parent);

    // --- menu actions
    void toggleAwake();
    void enableForcedAwake();
    void disableAwake();
    void cancelTimedStop();
    void toggleMuteInForced();
    void openStateFolder();
    void openHistoryFile();
    void toggleLaunchAtLogin();
    void quitApp();
    // Takes the item's represented object; anything but a preset is ignored.
    void enableTimedPreset(const QVariant& representedObject);
    void applyColorPreset(const QVariant& representedObject);
    void openCustomColorPanel(const QVariant& representedObject);
    void colorPanelDidChange(const QColor& color);

    // Starts mode unless the power conditions refuse; a refusal is shown and
    // the dashboard opens on its settings tab.
    void attemptEnable(AwakeMode mode);
    void activateForcedModeWithRetry();
    // A start asked for from outside the menu: the power conditions, history,
    // notices and timed stop as for a preset. Returns the refusal, or why the
    // mode did not start, instead of opening the settings.
    std::optional<QString> startRequested(const TimedPresetChoice& preset);

    // --- hot keys
    void registerHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers, HotKeyAction action);
    void performHotKeyAction(HotKeyAction action);

    // The callbacks a dashboard window is opened with.
    DashboardActions dashboardActions();


protected:
    // The quit key of an open menu.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cancelTimers();
    std::function<void()> guarded(std::function<void(AppDelegate&)> action);
    void showNotice(const QString& message);
    void updateDashboardIfOpen();
    void showRefusal(const QString& refusal);
    void applyTimedStop(std::optional<double> duration);
    void checkForcedActivation(bool wasOff);
    void refreshMenu(QMenu& menu);
    void reportUnavailableHotKeys();
    void hotKeysRefusedLater(const std::vector<int>& ids);
    // What the combination of action does, where the desktop lists it.
    QString hotKeyDescription(HotKeyAction action) const;
    // title with the combination of action in the menu's shortcut column.
    QString withHotKey(const QString& title, HotKeyAction action, bool english) const;
    void updateStatusItem();
    // True when the text changed.
    bool updateToolTip();
    void standInForMissingTray();
    QAction* addAction(QMenu& menu, const QString& title, std::function<void()> action, int tag = 0);
    QString localized(const QString& zh, const QString& en) const { return state.localized(zh, en); }

    Clock& clock_;
    AppPlatform desktop_;
    StatusGlyphCache glyphs_;
    std::optional<qint64> lastImageKey_;
    std::optional<QString> lastTitle_;
    QString interfaceLanguage_;
    std::optional<QString> lastToolTip_;
    std::unique_ptr<QMenu> menu_;
    bool menuOpen_ = false; // wherever it is drawn
    bool hotKeysReported_ = false;
    std::shared_ptr<AppDelegate*> self_;
};

} // namespace launcher
