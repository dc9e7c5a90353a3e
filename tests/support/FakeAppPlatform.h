#pragma once

// Fakes of the desktop interfaces of the menu-bar application. They keep
// what they were handed and count the calls tests look at.

#include "app/DashboardHost.h"
#include "platform/AppPlatform.h"
#include "support/FakePlatform.h"

#include <QPoint>

#include <map>
#include <set>

namespace launcher::testing {

class FakeStatusItem final : public StatusItem {
public:
    void setImage(const QImage& newImage) override { image = newImage; ++imageSets; }
    void setTitle(const QString& newTitle) override { title = newTitle; ++titleSets; }
    void setToolTip(const QString& text) override { toolTip = text; ++toolTipSets; }
    void setMenu(QMenu* newMenu) override { menu = newMenu; }
    void setPrimaryAction(std::function<void()> action) override { primaryAction = std::move(action); }
    void closeMenu() override { ++menuCloses; }
    bool showsFramesCheaply() const override { return !overTheBus; }
    bool isShown() const override { return shown; }

    QImage image;
    QString title, toolTip;
    QMenu* menu = nullptr;
    std::function<void()> primaryAction;
    int imageSets = 0, titleSets = 0, toolTipSets = 0, menuCloses = 0;
    bool overTheBus = false; // drawn by a StatusNotifier host
    bool shown = true;       // some tray shows it
};

class FakeHotKeys final : public HotKeys {
public:
    void installHandler(std::function<void(int)> newHandler) override { handler = std::move(newHandler); }
    void removeHandler() override { handler = nullptr; }
    bool registerHotKey(Qt::Key key, Qt::KeyboardModifiers modifiers, int id, const QString& description) override
    {
        if (refused.count({key, modifiers.toInt()}))
            return false;
        registered[{key, modifiers.toInt()}] = id;
        descriptions[id] = description;
        return true;
    }
    void unregisterAll() override { registered.clear(); }
    HotKeyRefusal refusal() const override { return why; }
    void setLateRefusalHandler(std::function<void(const std::vector<int>&)> handler) override
    {
        lateRefusalHandler = std::move(handler);
    }

    // The desktop turns down every accepted registration after the fact.
    void refuseAllLater()
    {
        std::vector<int> ids;
        for (const auto& [combination, id] : registered)
            ids.push_back(id);
        registered.clear();
        if (lateRefusalHandler)
            lateRefusalHandler(ids);
    }

    // The user presses a combination: only a registered one reaches the handler.
    bool press(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        const auto found = registered.find({key, modifiers.toInt()});
        if (found != registered.end())
            deliver(found->second);
        return found != registered.end();
    }
    // An event with this id reaches the handler, registered or not.
    void deliver(int id) { if (handler) handler(id); }

    std::set<std::pair<Qt::Key, int>> refused; // combinations that cannot be had
    HotKeyRefusal why = HotKeyRefusal::taken;
    std::map<std::pair<Qt::Key, int>, int> registered;
    std::map<int, QString> descriptions;
    std::function<void(int)> handler;
    std::function<void(const std::vector<int>&)> lateRefusalHandler;
};

// What the toast panel shows; kept by the desktop, so it outlives the panel.
struct ToastPanelRecord {
    QString text;
    std::optional<QPoint> topLeft;
    bool shown = false;
};

class FakeToastPanel final : public ToastPanel {
public:
    explicit FakeToastPanel(ToastPanelRecord& record) : record_(record) {}
    QSize size() const override { return {340, 54}; }
    void setText(const QString& text) override { record_.text = text; }
    void moveTo(const QPoint& topLeft) override { record_.topLeft = topLeft; }
    void showWithoutActivating() override { record_.shown = true; }
    void hide() override { record_.shown = false; }
    bool isShown() const override { return record_.shown; }

private:
    ToastPanelRecord& record_;
};

class FakeColorPanel final : public ColorPanel {
public:
    void open(const QColor& current, std::function<void(const QColor&)> onChange) override
    {
        openedWith = current;
        callback = std::move(onChange);
    }
    // The user picks a colour in the open panel.
    void change(const QColor& color) { if (callback) callback(color); }

    QColor openedWith;
    std::function<void(const QColor&)> callback;
};

class FakeDesktop final : public Desktop {
public:
    void setAccessoryActivationPolicy() override {}
    void activateIgnoringOtherApps() override { ++activations; }
    void open(const QUrl& url) override { opened.push_back(url); }
    std::optional<QRect> mainScreenVisibleFrame() const override { return visibleFrame; }
    void terminate() override { ++terminations; }
    std::unique_ptr<ToastPanel> createToastPanel() override { return std::make_unique<FakeToastPanel>(toast); }
    void useInterfaceLanguage(const QString& localeName) override { interfaceLanguages << localeName; }

    std::optional<QRect> visibleFrame = QRect(0, 25, 1440, 875);
    std::vector<QUrl> opened;
    int activations = 0, terminations = 0;
    ToastPanelRecord toast;
    QStringList interfaceLanguages;
};

// A dashboard that is only bookkeeping: what was opened, updated and shown.
class FakeDashboardHost final : public DashboardHost {
public:
    void open(StateStore&, const std::vector<HistorySession>&, DashboardActions newActions) override
    {
        actions = std::move(newActions);
        ++opens;
    }
    bool exists() const override { return opens > 0; }
    void update(StateStore&, const std::vector<HistorySession>&) override { ++updates; }
    void showSettingsTab() override { ++settingsTabShows; }
    void close() override { ++closes; }

    DashboardActions actions;
    int opens = 0, updates = 0, closes = 0, settingsTabShows = 0;
};

struct FakeAppPlatform {
    // The machine's log is not written to: these fakes count instead.
    explicit FakeAppPlatform(CallLog&) {}
    FakeStatusItem statusItem;
    FakeHotKeys hotKeys;
    FakeColorPanel colorPanel;
    FakeDesktop desktop;
    AppPlatform appPlatform() { return AppPlatform{statusItem, hotKeys, colorPanel, desktop}; }
};

} // namespace launcher::testing
