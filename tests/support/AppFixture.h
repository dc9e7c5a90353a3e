#pragma once

#include "app/AppDelegate.h"
#include "support/FakeAppPlatform.h"
#include "support/Files.h"

#include <QAction>
#include <QMenu>
#include <QTest>

#include <memory>

namespace launcher::testing {

// The delegate on a fake machine and a fake desktop, with a recording
// dashboard. Nothing is launched until the test says so.
struct AppFixture {
    AppFixture()
    {
        auto host = std::make_unique<FakeDashboardHost>(fake.calls);
        dashboard = host.get();
        delegate = std::make_unique<AppDelegate>(fake.platform(), desktop.appPlatform(), std::move(host));
    }

    StateStore& state() { return delegate->state; }
    QAction* item(int tag) { return actionWithTag(delegate->menu(), tag); }
    // The first action of the menu, or of a submenu found by the path of titles, with this title.
    QAction* find(const QStringList& path);
    // Launches, then puts the store into mode (launching itself starts normal mode).
    void launchInMode(AwakeMode mode)
    {
        delegate->applicationDidFinishLaunching();
        if (mode == AwakeMode::off)
            delegate->state.disable(DisableReason::manual, false);
        else if (mode == AwakeMode::forced)
            delegate->state.enable(AwakeMode::forced);
        QCOMPARE(delegate->state.mode, mode);
    }
    std::vector<HistoryEntry> history() const { return delegate->state.loadHistoryEntries(); }
    void refuseOnBattery()
    {
        fake.power.snapshot.source = PowerSourceKind::battery;
        delegate->state.allowOnBattery = false;
    }

    FakePlatform fake;
    FakeAppPlatform desktop{fake.calls};
    FakeDashboardHost* dashboard = nullptr;
    std::unique_ptr<AppDelegate> delegate;
};

inline QAction* AppFixture::find(const QStringList& path)
{
    QMenu* menu = delegate->menu();
    for (int i = 0; menu && i < path.size(); ++i) {
        QAction* match = nullptr;
        for (QAction* action : menu->actions())
            if (action->text() == path[i])
                match = match ? match : action;
        if (!match || i == path.size() - 1)
            return match;
        menu = match->menu();
    }
    return nullptr;
}

} // namespace launcher::testing
