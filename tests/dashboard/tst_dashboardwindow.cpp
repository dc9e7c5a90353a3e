// The dashboard window: where it opens, its tabs, a language change, and the
// host the delegate opens it through.

#include "app/AppDelegate.h"
#include "dashboard/DashboardControlView.h"
#include "dashboard/DashboardRootView.h"
#include "dashboard/DashboardSettingsView.h"
#include "dashboard/HistoryDashboardView.h"
#include "dashboard/HistoryStatCardView.h"
#include "dashboard/HistoryWindowController.h"
#include "dashboard/WindowDashboardHost.h"
#include "engine/Constants.h"
#include "support/FakeAppPlatform.h"
#include "support/StoreFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QTabBar>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(std::optional<QRect>)

namespace {

// The host as the program uses it, with a refresh that updates the open window.
struct HostFixture {
    HostFixture() { f.store->language = AppLanguage::chinese; }
    void open()
    {
        DashboardActions actions;
        actions.onRefreshRequested = [this] { host.update(*f.store, {}); };
        actions.onApplyPreset = [this](const TimedPresetChoice&) { ++presets; };
        host.open(*f.store, {}, actions);
    }
    DashboardRootView& root() { return *host.controller()->dashboardView(); }

    StoreFixture f;
    CallLog log;
    FakeAppPlatform desktop{log};
    WindowDashboardHost host{desktop.appPlatform()};
    int presets = 0;
};

QStringList segmentLabels(QTabBar* bar)
{
    QStringList labels;
    for (int i = 0; i < bar->count(); ++i)
        labels << bar->tabText(i);
    return labels;
}

} // namespace

class DashboardWindowTest : public QObject {
    Q_OBJECT
private slots:
    void openingFrame_data()
    {
        QTest::addColumn<std::optional<QRect>>("visible");
        QTest::addColumn<QRect>("frame");
        QTest::newRow("1440 x 900") << std::optional<QRect>(QRect(0, 0, 1440, 900)) << QRect(395, 14, 650, 872);
        QTest::newRow("below the menu bar") << std::optional<QRect>(QRect(0, 25, 1440, 875)) << QRect(395, 39, 650, 847);
        QTest::newRow("600 x 700, under the minimum")
            << std::optional<QRect>(QRect(0, 0, 600, 700)) << QRect(20, 14, 560, 672);
        QTest::newRow("second screen") << std::optional<QRect>(QRect(1440, -200, 1920, 1080))
                                       << QRect(2075, -120, 650, 920);
        QTest::newRow("no screen") << std::optional<QRect>() << QRect(20, 14, 610, 892);
        QTest::newRow("smaller than the margins") << std::optional<QRect>(QRect(0, 0, 30, 20)) << QRect(14, 9, 1, 1);
    }
    void openingFrame()
    {
        QFETCH(std::optional<QRect>, visible);
        QFETCH(QRect, frame);
        QCOMPARE(dashboardWindowFrame(visible), frame);
    }

    void tabsFromRawValues()
    {
        QCOMPARE(dashboardTabFromRaw(0), std::optional(DashboardTab::control));
        QCOMPARE(dashboardTabFromRaw(1), std::optional(DashboardTab::settings));
        QCOMPARE(dashboardTabFromRaw(2), std::optional(DashboardTab::stats));
        QVERIFY(!dashboardTabFromRaw(-1));
        QVERIFY(!dashboardTabFromRaw(3));
    }

    void onlyTheChosenTabIsVisible()
    {
        HostFixture h;
        h.open();
        DashboardRootView& root = h.root();
        const auto visibleViews = [&root] {
            return QList<bool>{root.controlView()->isVisible(), root.settingsView()->isVisible(),
                               root.statsView()->isVisible()};
        };
        QCOMPARE(root.currentTab(), DashboardTab::control);
        QCOMPARE(visibleViews(), (QList<bool>{true, false, false}));

        root.segmented()->setCurrentIndex(2); // as a click on the segment does
        QCOMPARE(root.currentTab(), DashboardTab::stats);
        QCOMPARE(visibleViews(), (QList<bool>{false, false, true}));

        h.host.showSettingsTab();
        QCOMPARE(root.currentTab(), DashboardTab::settings);
        QCOMPARE(root.segmented()->currentIndex(), 1);
        QCOMPARE(visibleViews(), (QList<bool>{false, true, false}));

        // A refresh keeps the tab.
        h.host.update(*h.f.store, {});
        QCOMPARE(visibleViews(), (QList<bool>{false, true, false}));
    }

    void languageChangeRetitlesEverything()
    {
        HostFixture h;
        h.open();
        HistoryWindowController* window = h.host.controller();
        DashboardRootView& root = h.root();
        QCOMPARE(window->windowTitle(), QStringLiteral("Pelvane挂机控制台"));
        QCOMPARE(root.titleLabel()->text(), QStringLiteral("Pelvane挂机控制台"));
        QCOMPARE(segmentLabels(root.segmented()), (QStringList{"控制", "设置", "统计"}));
        const QString chineseSubtitle = root.subtitleLabel()->text();

        QComboBox* popup = root.settingsView()->languagePopup();
        popup->setCurrentIndex(2);
        emit popup->activated(2);

        QCOMPARE(h.f.store->language, AppLanguage::english);
        QCOMPARE(window->windowTitle(), QStringLiteral("Pelvane Awake Dashboard"));
        QCOMPARE(root.titleLabel()->text(), QStringLiteral("Pelvane Awake Dashboard"));
        QVERIFY(!root.subtitleLabel()->text().isEmpty());
        QVERIFY(root.subtitleLabel()->text() != chineseSubtitle);
        QCOMPARE(segmentLabels(root.segmented()), (QStringList{"Control", "Settings", "Stats"}));
        QCOMPARE(root.controlView()->forcedButton()->text(), QStringLiteral("Start forced mode (3h)"));
        QCOMPARE(root.controlView()->presetButtons().back()->text(), QStringLiteral("∞"));
        QCOMPARE(root.controlView()->statusCard()->title(), QStringLiteral("当前状态"));
        QCOMPARE(root.settingsView()->muteCheckbox()->text(),
                 QStringLiteral("Mute in forced mode and restore volume on wake"));
        QCOMPARE(popup->itemText(0), QStringLiteral("跟随系统"));
    }

    void hostOpensOneWindowAtATime()
    {
        HostFixture h;
        QVERIFY(!h.host.exists());
        h.desktop.desktop.visibleFrame = QRect(0, 0, 600, 700);
        h.open();
        QPointer<HistoryWindowController> first = h.host.controller();
        QVERIFY(h.host.exists());
        QVERIFY(first->isVisible());
        QCOMPARE(first->size(), QSize(560, 672));
        QCOMPARE(first->minimumSize(), QSize(560, 672));

        h.desktop.desktop.visibleFrame = QRect(0, 0, 1440, 900);
        h.open();
        QVERIFY(h.host.controller() != first.data());
        QVERIFY(!first || !first->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(h.host.controller()->size(), QSize(650, 872));
        QCOMPARE(h.host.controller()->minimumSize(), dashboardMinimumSize);
        QCOMPARE(h.root().currentTab(), DashboardTab::control);

        // Closed by the user, it is still there to be updated.
        h.host.controller()->close();
        QVERIFY(h.host.exists());
        h.host.close();
        QVERIFY(!h.host.exists());
        h.host.update(*h.f.store, {});
        h.host.showSettingsTab();
    }

    void delegateOpensRefreshesAndShowsSettingsOnRefusal()
    {
        FakePlatform fake;
        FakeAppPlatform desktop(fake.calls);
        auto owned = std::make_unique<WindowDashboardHost>(desktop.appPlatform());
        WindowDashboardHost* host = owned.get();
        AppDelegate delegate(fake.platform(), desktop.appPlatform(), std::move(owned));
        delegate.state.language = AppLanguage::chinese;
        delegate.applicationDidFinishLaunching();

        QAction* open = nullptr;
        for (QAction* action : delegate.menu()->actions())
            if (action->text() == QStringLiteral("打开历史看板"))
                open = action;
        QVERIFY(open);
        open->trigger();
        QVERIFY(host->exists() && host->controller()->isVisible());
        QCOMPARE(desktop.desktop.activations, 1);
        DashboardRootView* root = host->controller()->dashboardView();
        QCOMPARE(root->currentTab(), DashboardTab::control);
        QCOMPARE(root->controlView()->statusCard()->value(), QStringLiteral("挂机中"));

        // The monitor brings a change made elsewhere within a second.
        delegate.state.disable(DisableReason::manual, true);
        fake.clock.advance(1.0);
        QCOMPARE(root->controlView()->statusCard()->value(), QStringLiteral("待机"));

        // A start refused by the power conditions lands on the settings tab.
        fake.power.snapshot.source = PowerSourceKind::battery;
        delegate.state.allowOnBattery = false;
        root->controlView()->presetButtons()[3]->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(host->controller()->dashboardView() != root);
        QCOMPARE(host->controller()->dashboardView()->currentTab(), DashboardTab::settings);
        QCOMPARE(delegate.state.mode, AwakeMode::off);
        QVERIFY(desktop.desktop.toast.shown);
        delegate.applicationWillTerminate();
    }

    void windowOwnButtonMayReopenIt()
    {
        // A refused start from a preset button opens a fresh window while
        // the old button is still delivering its click.
        HostFixture h;
        h.open();
        DashboardActions actions;
        int reopened = 0;
        h.host.close();
        actions.onApplyPreset = [&](const TimedPresetChoice&) {
            ++reopened;
            h.open();
            h.host.showSettingsTab();
        };
        h.host.open(*h.f.store, {}, actions);
        QPointer<PresetButton> button = h.root().controlView()->presetButtons()[0];
        button->click();
        QCOMPARE(reopened, 1);
        QVERIFY(button); // still alive until the event loop runs
        QCOMPARE(h.root().currentTab(), DashboardTab::settings);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!button);
    }
};

QTEST_MAIN(DashboardWindowTest)
#include "tst_dashboardwindow.moc"
