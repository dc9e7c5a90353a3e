#pragma once

// Recording fakes of the desktop interfaces of the menu-bar application.
// They write into the same CallLog as FakePlatform ("hotKeys.register 37
// 6144 1", "toast.show", "desktop.open file:///...", ...).

#include "app/DashboardHost.h"
#include "platform/AppPlatform.h"
#include "support/FakePlatform.h"

#include <QPoint>

#include <set>
#include <tuple>

namespace launcher::testing {

class FakeStatusItem final : public StatusItem {
public:
    explicit FakeStatusItem(CallLog& log) : log_(log) {}
    void setImage(const QImage& newImage) override;
    void setTitle(const QString& newTitle) override { title = newTitle; ++titleSets; }
    void setMenu(QMenu* newMenu) override { menu = newMenu; }
    void closeMenu() override { ++menuCloses; log_ << QStringLiteral("statusItem.closeMenu"); }

    QImage image;
    std::vector<qint64> imageKeys; // cacheKey() of every image set, in order
    QString title;
    QMenu* menu = nullptr;
    int imageSets = 0;
    int titleSets = 0;
    int menuCloses = 0;
private:
    CallLog& log_;
};

class FakeHotKeys final : public HotKeys {
public:
    explicit FakeHotKeys(CallLog& log) : log_(log) {}
    void installHandler(std::function<void(int)> newHandler) override;
    void removeHandler() override;
    bool registerHotKey(quint32 keyCode, quint32 modifiers, int id) override;
    void unregisterAll() override;

    // The user presses a combination: only a registered one reaches the handler.
    bool press(quint32 keyCode, quint32 modifiers);
    // An event with this id reaches the handler, registered or not.
    void deliver(int id) { if (handler) handler(id); }

    std::set<std::pair<quint32, quint32>> refused; // combinations another program holds
    std::vector<std::tuple<quint32, quint32, int>> registered;
    std::function<void(int)> handler;
private:
    CallLog& log_;
};

// What the toast panel shows; kept by the desktop, so it outlives the panel.
struct ToastPanelRecord {
    QSize size{340, 54};
    QString text;
    std::optional<QPoint> topLeft;
    bool shown = false;
    int shows = 0;
};

class FakeColorPanel final : public ColorPanel {
public:
    void open(const QColor& current, std::function<void(const QColor&)> onChange) override
    {
        openedWith = current;
        callback = std::move(onChange);
        ++opens;
    }
    // The user picks a colour in the open panel.
    void change(const QColor& color) { if (callback) callback(color); }

    QColor openedWith;
    std::function<void(const QColor&)> callback;
    int opens = 0;
};

class FakeDesktop final : public Desktop {
public:
    explicit FakeDesktop(CallLog& log) : log_(log) {}
    void setAccessoryActivationPolicy() override { ++accessoryPolicies; }
    void activateIgnoringOtherApps() override { ++activations; log_ << QStringLiteral("desktop.activate"); }
    void open(const QUrl& url) override { opened.push_back(url); log_ << QStringLiteral("desktop.open ") + url.toString(); }
    std::optional<QRect> mainScreenVisibleFrame() const override { return visibleFrame; }
    void terminate() override { ++terminations; log_ << QStringLiteral("desktop.terminate"); }
    std::unique_ptr<ToastPanel> createToastPanel() override;

    std::optional<QRect> visibleFrame = QRect(0, 25, 1440, 875);
    std::vector<QUrl> opened;
    int accessoryPolicies = 0;
    int activations = 0;
    int terminations = 0;
    int toastPanelsCreated = 0;
    ToastPanelRecord toast;
private:
    CallLog& log_;
};

// A dashboard that is only bookkeeping: what was opened, updated and shown.
class FakeDashboardHost final : public DashboardHost {
public:
    explicit FakeDashboardHost(CallLog& log) : log_(log) {}
    void open(StateStore&, const std::vector<HistorySession>& sessions, DashboardActions newActions) override;
    bool exists() const override { return opens > 0; }
    void update(StateStore&, const std::vector<HistorySession>& sessions) override
    {
        ++updates;
        lastSessionCount = sessions.size();
    }
    void showSettingsTab() override { ++settingsTabShows; log_ << QStringLiteral("dashboard.settingsTab"); }
    void close() override { ++closes; log_ << QStringLiteral("dashboard.close"); }

    DashboardActions actions;
    int opens = 0;
    int updates = 0;
    int closes = 0;
    int settingsTabShows = 0;
    size_t lastSessionCount = 0;
private:
    CallLog& log_;
};

struct FakeAppPlatform {
    explicit FakeAppPlatform(CallLog& log) : statusItem(log), hotKeys(log), desktop(log) {}
    FakeStatusItem statusItem;
    FakeHotKeys hotKeys;
    FakeColorPanel colorPanel;
    FakeDesktop desktop;
    AppPlatform appPlatform() { return AppPlatform{statusItem, hotKeys, colorPanel, desktop}; }
};

} // namespace launcher::testing
