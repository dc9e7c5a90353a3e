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

// The delegate with the real window host on a fake machine and desktop.
struct WindowFixture {
    WindowFixture()
    {
        auto owned = std::make_unique<WindowDashboardHost>(desktop.appPlatform());
        host = owned.get();
        delegate = std::make_unique<AppDelegate>(fake.platform(), desktop.appPlatform(), std::move(owned));
        delegate->state.language = AppLanguage::chinese;
    }
    DashboardRootView& root() const { return *host->controller()->dashboardView(); }
    QStringList headerTexts() const
    {
        QStringList texts{host->controller()->windowTitle(), root().titleLabel()->text()};
        for (int i = 0; i < root().segmented()->count(); ++i)
            texts << root().segmented()->tabText(i);
        return texts;
    }

    FakePlatform fake;
    FakeAppPlatform desktop{fake.calls};
    WindowDashboardHost* host = nullptr;
    std::unique_ptr<AppDelegate> delegate;
};

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
        QCOMPARE(dashboardTabFromRaw(1), std::optional(DashboardTab::settings));
        QCOMPARE(dashboardTabFromRaw(2), std::optional(DashboardTab::stats));
        QVERIFY(!dashboardTabFromRaw(-1) && !dashboardTabFromRaw(3));
    }

    void openSwitchTabsAndReopen()
    {
        WindowFixture w;
        w.desktop.desktop.visibleFrame = QRect(0, 0, 600, 700);
        w.delegate->openHistoryFile();
        QPointer<HistoryWindowController> first = w.host->controller();
        QVERIFY(first->isVisible());
        QCOMPARE(first->size(), QSize(560, 672));
        QCOMPARE(w.desktop.desktop.activations, 1);

        DashboardRootView& root = w.root();
        const auto visible = [&root] {
            return QList<bool>{root.controlView()->isVisible(), root.settingsView()->isVisible(),
                               root.statsView()->isVisible()};
        };
        QCOMPARE(visible(), (QList<bool>{true, false, false}));
        root.segmented()->setCurrentIndex(2); // as a click on the segment does
        QCOMPARE(root.currentTab(), DashboardTab::stats);
        QCOMPARE(visible(), (QList<bool>{false, false, true}));
        w.host->showSettingsTab();
        QCOMPARE(root.segmented()->currentIndex(), 1);
        QCOMPARE(visible(), (QList<bool>{false, true, false}));

        // Opening again replaces the window, which starts on the control tab.
        w.desktop.desktop.visibleFrame = QRect(0, 0, 1440, 900);
        w.delegate->openHistoryFile();
        QVERIFY(!first->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(w.host->controller()->size(), QSize(650, 872));
        QCOMPARE(w.host->controller()->minimumSize(), dashboardMinimumSize);
        QCOMPARE(w.root().currentTab(), DashboardTab::control);
    }

    void languageChangeRetitlesEverything()
    {
        WindowFixture w;
        w.delegate->openHistoryFile();
        QCOMPARE(w.headerTexts(), (QStringList{"Pelvane挂机控制台", "Pelvane挂机控制台", "控制", "设置", "统计"}));
        const QString chineseSubtitle = w.root().subtitleLabel()->text();

        QComboBox* popup = w.root().settingsView()->languagePopup();
        popup->setCurrentIndex(2);
        emit popup->activated(2);

        QCOMPARE(w.headerTexts(), (QStringList{"Pelvane Awake Dashboard", "Pelvane Awake Dashboard", "Control",
                                               "Settings", "Stats"}));
        QVERIFY(w.root().subtitleLabel()->text() != chineseSubtitle);
        QCOMPARE(w.root().controlView()->forcedButton()->text(), QStringLiteral("Start forced mode (3h)"));
        QCOMPARE(w.root().controlView()->statusCard()->title(), QStringLiteral("当前状态"));
        QCOMPARE(w.root().settingsView()->batteryCheckbox()->text(), QStringLiteral("Allow awake on battery"));
        // The status menu follows too.
        QVERIFY(actionWithTag(w.delegate->menu(), versionTag)->text().startsWith(QStringLiteral("Version")));
    }

    void monitorRefreshesAndRefusalShowsSettings()
    {
        WindowFixture w;
        w.delegate->applicationDidFinishLaunching();
        w.delegate->openHistoryFile();
        DashboardRootView* root = &w.root();
        QCOMPARE(root->controlView()->statusCard()->value(), QStringLiteral("挂机中"));
        w.delegate->state.disable(DisableReason::manual, true);
        w.fake.clock.advance(1.0);
        QCOMPARE(root->controlView()->statusCard()->value(), QStringLiteral("待机"));

        // A refused preset reopens the window while its button is still delivering the click.
        w.fake.power.snapshot.source = PowerSourceKind::battery;
        w.delegate->state.allowOnBattery = false;
        QPointer<PresetButton> pressed = root->controlView()->presetButtons()[3];
        pressed->click();
        QVERIFY(pressed);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!pressed);
        QCOMPARE(w.root().currentTab(), DashboardTab::settings);
        QCOMPARE(w.delegate->state.mode, AwakeMode::off);
        QVERIFY(w.desktop.desktop.toast.shown);
        w.delegate->applicationWillTerminate();
    }
};

QTEST_MAIN(DashboardWindowTest)
#include "tst_dashboardwindow.moc"
