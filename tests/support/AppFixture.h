#pragma once

#include "app/AppDelegate.h"
#include "support/FakeAppPlatform.h"
#include "support/Files.h"

#include <QAction>
#include <QMenu>
#include <QTest>

#include <algorithm>
#include <memory>

namespace launcher::testing {

// The delegate on a fake machine and a fake desktop, with a recording
// dashboard. Nothing is launched until the test says so.
struct AppFixture {
    AppFixture()
    {
        auto host = std::make_unique<FakeDashboardHost>();
        dashboard = host.get();
        delegate = std::make_unique<AppDelegate>(fake.platform(), desktop.appPlatform(), std::move(host));
    }

    StateStore& state() { return delegate->state; }
    QAction* item(int tag) { return actionWithTag(delegate->menu(), tag); }
    // The first action with the last title, in the submenu that the titles before it lead to.
    QAction* find(const QStringList& path)
    {
        QMenu* menu = delegate->menu();
        QAction* match = nullptr;
        for (const QString& title : path) {
            const QList<QAction*> actions = menu ? menu->actions() : QList<QAction*>();
            // The title without the shortcut column. (std::ranges::find_if is
            // missing from the C++ library of Xcode 14 and older.)
            const auto found = std::find_if(actions.begin(), actions.end(), [&title](const QAction* action) {
                return action->text().section(QLatin1Char('\t'), 0, 0) == title;
            });
            match = found == actions.end() ? nullptr : *found;
            menu = match ? match->menu() : nullptr;
        }
        return match;
    }
    // Launches, then puts the store into mode (launching itself starts normal mode).
    void launchInMode(AwakeMode mode)
    {
        delegate->applicationDidFinishLaunching();
        if (mode == AwakeMode::off)
            delegate->state.disable(DisableReason::manual, false);
        else if (mode == AwakeMode::forced)
            delegate->state.enable(AwakeMode::forced);
        QCOMPARE(delegate->state.mode(), mode);
    }
    std::vector<HistoryEntry> history() const { return historyEntries(delegate->state.historyFile()); }
    void refuseOnBattery()
    {
        fake.power.snapshot.source = PowerSourceKind::battery;
        delegate->state.changePreferences([&](Preferences& p) { p.allowOnBattery = false; });
    }

    FakePlatform fake;
    FakeAppPlatform desktop{fake.calls};
    FakeDashboardHost* dashboard = nullptr;
    std::unique_ptr<AppDelegate> delegate;
};

} // namespace launcher::testing
