// The dashboard window through the real host, and its control and settings
// tabs: what each control calls or stores, and refreshes that change nothing.

#include "app/AppDelegate.h"
#include "dashboard/DashboardControlView.h"
#include "dashboard/DashboardRootView.h"
#include "dashboard/DashboardSettingsView.h"
#include "dashboard/HistoryDashboardView.h"
#include "dashboard/HistoryRecentRowView.h"
#include "dashboard/HistoryStatCardView.h"
#include "dashboard/HistoryWindowController.h"
#include "dashboard/WindowDashboardHost.h"
#include "support/FakeAppPlatform.h"
#include "support/StoreFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QScreen>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QTabBar>
#include <QVBoxLayout>
#include <QtTest>

#include <algorithm>

using namespace launcher;
using namespace launcher::testing;

namespace {

// The delegate with the real window host on a fake machine and desktop.
struct WindowFixture {
    WindowFixture()
    {
        auto owned = std::make_unique<WindowDashboardHost>(desktop.appPlatform());
        host = owned.get();
        delegate = std::make_unique<AppDelegate>(fake.platform(), desktop.appPlatform(), std::move(owned));
        delegate->state.changePreferences([&](Preferences& p) { p.language = AppLanguage::chinese; });
    }
    DashboardRootView& root() const { return *host->controller()->dashboardView(); }

    FakePlatform fake;
    FakeAppPlatform desktop{fake.calls};
    WindowDashboardHost* host = nullptr;
    std::unique_ptr<AppDelegate> delegate;
};

// The control tab alone, its callbacks recorded.
struct ControlTab {
    StoreFixture f;
    std::vector<TimedPresetChoice> applied;
    int forced = 0, disabled = 0;
    DashboardControlView view{*f.store, [this](const TimedPresetChoice& c) { applied.push_back(c); },
                              [this] { ++forced; }, [this] { ++disabled; },
                              [] { QFAIL("the control tab never asks for a refresh"); }};
};

// The settings tab alone, its refresh requests counted.
struct SettingsTab {
    QJsonObject prefs() const { return QJsonDocument::fromJson(readFile(f.store->prefsFile())).object(); }

    StoreFixture f;
    FakeColorPanel panel;
    int refreshes = 0;
    std::unique_ptr<DashboardSettingsView> view =
        std::make_unique<DashboardSettingsView>(*f.store, panel, [this] { ++refreshes; });
};

} // namespace

class DashboardWindowTest : public QObject {
    Q_OBJECT
private slots:
    void openingFrame()
    {
        QCOMPARE(dashboardWindowFrame(QRect(0, 25, 1440, 875)), QRect(395, 39, 650, 847)); // below the menu bar
        QCOMPARE(dashboardWindowFrame(std::nullopt), QRect(20, 14, 610, 892));
        QCOMPARE(dashboardWindowFrame(QRect(0, 0, 30, 20)), QRect(14, 9, 1, 1)); // smaller than the margins
    }

    void throughTheDelegate()
    {
        WindowFixture w;
        w.delegate->applicationDidFinishLaunching();
        w.desktop.desktop.visibleFrame = QRect(0, 0, 600, 700);
        w.delegate->openHistoryFile();
        QPointer<HistoryWindowController> first = w.host->controller();
        QCOMPARE(first->size(), QSize(560, 672));

        DashboardRootView* root = &w.root();
        root->segmented()->setCurrentIndex(2); // as a click on the segment does
        QVERIFY(root->statsView()->isVisible() && !root->controlView()->isVisible());

        // A language picked in the window retitles all of it.
        QComboBox* popup = root->settingsView()->languagePopup();
        popup->setCurrentIndex(2);
        emit popup->activated(2);
        QStringList texts{first->windowTitle(), root->titleLabel()->text()};
        for (int i = 0; i < root->segmented()->count(); ++i)
            texts << root->segmented()->tabText(i);
        texts << root->controlView()->forcedButton()->text() << root->settingsView()->batteryCheckbox()->text();
        QCOMPARE(texts, (QStringList{"Pelvane Awake Dashboard", "Pelvane Awake Dashboard", "Control", "Settings",
                                     "Stats", "Start forced mode (3h)", "Allow awake on battery"}));
        // So do the toolkit's own dialogs, once per change.
        QCOMPARE(w.desktop.desktop.interfaceLanguages, (QStringList{"zh_CN", "en"}));

        // A refused preset reopens the window while its button is still delivering the click.
        w.fake.power.snapshot.source = PowerSourceKind::battery;
        w.delegate->state.changePreferences([&](Preferences& p) { p.allowOnBattery = false; });
        QPointer<PresetButton> pressed = root->controlView()->presetButtons()[3];
        pressed->click();
        QVERIFY(pressed);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!pressed && !first);
        QCOMPARE(w.root().currentTab(), DashboardTab::settings);
        w.delegate->applicationWillTerminate();
    }

    // The opening size on a 768-high screen, the minimum, and the opening size
    // on a 900-high one: whole rows only, none over another or over the box's edge.
    void recentRowsNeverOverlap()
    {
        StoreFixture f;
        FakeColorPanel panel;
        DashboardRootView root(*f.store, panel, DashboardActions{});
        std::vector<HistorySession> sessions;
        for (int i = 0; i < 9; ++i)
            sessions.push_back({1000.0 + i * 7200, 1000.0 + i * 7200 + 3600, i % 2 ? AwakeMode::forced : AwakeMode::normal});
        root.update(sessions, *f.store);
        root.showTab(DashboardTab::stats);
        root.show();
        const auto& rows = root.statsView()->recentRows();
        QCOMPARE(rows.size(), size_t(6));
        QWidget* box = rows.front()->parentWidget();
        for (QSize size : {QSize(650, 740), QSize(620, 840), QSize(650, 872)}) {
            root.resize(size);
            QApplication::processEvents();
            const QRect inside = box->rect().adjusted(12, 12, -12, -12);
            std::vector<QRect> shown;
            for (HistoryRecentRowView* row : rows) {
                if (!row->isVisible())
                    continue;
                shown.push_back(row->geometry());
                QVERIFY2(inside.contains(row->geometry()), qPrintable(QStringLiteral("row cut at %1x%2").arg(size.width()).arg(size.height())));
                QCOMPARE(row->height(), 42);
            }
            // Every row that fits is shown: one more would not.
            QVERIFY(!shown.empty());
            QVERIFY(shown.size() == rows.size() || shown.back().bottom() + 8 + 42 > inside.bottom());
            for (size_t i = 0; i < shown.size(); ++i) {
                QVERIFY(rows[i]->isVisible()); // the latest, from the top
                for (size_t j = i + 1; j < shown.size(); ++j)
                    QVERIFY2(!shown[i].intersects(shown[j]), qPrintable(QStringLiteral("rows %1 and %2 overlap").arg(i).arg(j)));
            }
        }
        // A tall window shows all six.
        root.resize(650, 1100);
        QApplication::processEvents();
        QVERIFY(std::all_of(rows.begin(), rows.end(), [](HistoryRecentRowView* row) { return row->isVisible(); }));
    }

    // Lowered for a small screen, the minimum holds again once the screen can hold it.
    void minimumSizeComesBackWithRoom()
    {
        WindowFixture w;
        w.delegate->applicationDidFinishLaunching();
        w.desktop.desktop.visibleFrame = QRect(0, 0, 1366, 768);
        w.delegate->openHistoryFile();
        HistoryWindowController* window = w.host->controller();
        QCOMPARE(window->size(), QSize(650, 740));
        QCOMPARE(window->minimumSize(), QSize(620, 740));

        emit window->screen()->availableGeometryChanged(QRect(0, 0, 1440, 900)); // the screen grew
        QCOMPARE(window->minimumSize(), dashboardMinimumSize);
        QVERIFY(window->height() >= 840);
        w.delegate->applicationWillTerminate();
    }

    void controlTab()
    {
        ControlTab c;
        c.f.store->changePreferences([&](Preferences& p) { p.language = AppLanguage::chinese; });
        c.f.store->enable(AwakeMode::forced);
        c.view.update(*c.f.store);
        QCOMPARE(c.view.statusCard()->value(), QStringLiteral("强制挂机"));
        QCOMPARE(c.view.modeCard()->value(), QStringLiteral("显示器关闭"));

        // A press outlasts a refresh: still the button under the pointer when it is let go.
        c.view.show();
        QPointer<PresetButton> pressed = c.view.presetButtons()[2];
        const QPoint spot = pressed->mapTo(&c.view, pressed->rect().center());
        QTest::mousePress(pressed, Qt::LeftButton);
        c.view.update(*c.f.store);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(pressed && pressed->isDown());
        QCOMPARE(c.view.childAt(spot), pressed.data());
        QTest::mouseRelease(pressed, Qt::LeftButton);
        QCOMPARE(c.applied, (std::vector<TimedPresetChoice>{{AwakeMode::normal, 3600.0}}));

        // Another language rebuilds the grid, with nothing left over from before.
        c.f.store->changePreferences([&](Preferences& p) { p.language = AppLanguage::english; });
        c.view.update(*c.f.store);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!pressed);
        QCOMPARE(c.view.presetButtons().front()->text(), QStringLiteral("15m"));
        QCOMPARE(c.view.findChildren<PresetButton*>().size(), 10);

        // The rebuilt grid still ends in the preset without a timed stop.
        c.view.presetButtons().back()->click();
        QCOMPARE(c.applied.back(), (TimedPresetChoice{AwakeMode::normal, std::nullopt}));
        c.view.forcedButton()->click();
        c.view.disableButton()->click();
        QCOMPARE(std::pair(c.forced, c.disabled), std::pair(1, 1));
    }

    void settingsControlsStoreAndSave()
    {
        SettingsTab s;
        const std::tuple<QCheckBox*, bool Preferences::*, const char*> boxes[] = {
            {s.view->muteCheckbox(), &Preferences::muteInForced, "muteInForced"},
            {s.view->movieCheckbox(), &Preferences::requireMoviePlayback, "requireMoviePlayback"},
            {s.view->batteryCheckbox(), &Preferences::allowOnBattery, "allowOnBattery"},
            {s.view->acCheckbox(), &Preferences::allowOnAC, "allowOnAC"},
        };
        for (auto [box, field, key] : boxes) {
            const bool before = s.f.store->preferences().*field;
            box->click();
            QCOMPARE(s.f.store->preferences().*field, !before);
            QCOMPARE(s.prefs().value(key).toBool(before), !before);
        }

        QComboBox* popup = s.view->languagePopup();
        for (int index : {2, 0}) {
            popup->setCurrentIndex(index);
            emit popup->activated(index);
            QCOMPARE(s.prefs().value("language").toString(), index ? "english" : "system");
        }

        s.f.store->changePreferences([&](Preferences& p) { p.forcedPelvaneColor = QColor(0x11, 0x22, 0x33); });
        const QColor hang = s.f.store->preferences().hangPelvaneColor;
        s.view->forcedColorWell()->click();
        QCOMPARE(s.panel.openedWith, QColor(0x11, 0x22, 0x33));
        // An HSV pick is stored as sRGB, for that colour only.
        s.panel.change(QColor::fromHsv(200, 255, 255));
        const QColor held = s.f.store->preferences().forcedPelvaneColor;
        QCOMPARE(held, held.toRgb()); // equal only when held as RGB
        QCOMPARE(s.prefs().value("forcedColorHex").toString(), QStringLiteral("#00AAFF"));
        QCOMPARE(s.f.store->preferences().hangPelvaneColor, hang);
        QCOMPARE(s.refreshes, 4 + 2 + 1);

        // A change made elsewhere is shown by the refresh, which saves and asks nothing.
        s.f.store->changePreferences([&](Preferences& p) { p.language = AppLanguage::chinese; });
        const QByteArray saved = readFile(s.f.store->prefsFile());
        s.view->update(*s.f.store);
        QCOMPARE(popup->currentIndex(), 1);
        QCOMPARE(readFile(s.f.store->prefsFile()), saved);

        // The colour panel outlives the window it was opened from.
        s.view->hangColorWell()->click();
        s.view.reset();
        s.panel.change(Qt::red);
        QCOMPARE(s.f.store->preferences().hangPelvaneColor, hang);
        QCOMPARE(s.refreshes, 7);
    }

    void sliderDraggedToItsEndStoresHundred()
    {
        SettingsTab s;
        QSlider* slider = s.view->minimumBatterySlider();
        s.view->resize(560, 600);
        s.view->show();
        // The handle sits at the left end for 0.
        const QPoint grab(4, slider->height() / 2), end(slider->width() + 50, slider->height() / 2);
        QTest::mousePress(slider, Qt::LeftButton, {}, grab);
        QTest::mouseMove(slider, end);
        QVERIFY(slider->isSliderDown());
        // A refresh in the middle of the drag neither stores nor moves the handle.
        s.view->update(*s.f.store);
        QCOMPARE(s.f.store->preferences().minimumBatteryPercentage, 0);
        QCOMPARE(s.view->minimumBatteryValueLabel()->text(), QStringLiteral("100%"));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, end);

        QCOMPARE(s.f.store->preferences().minimumBatteryPercentage, 100);
        QCOMPARE(s.prefs().value("minimumBatteryPercentage").toInt(), 100);
        QCOMPARE(s.refreshes, 1);
    }
};

QTEST_MAIN(DashboardWindowTest)
#include "tst_dashboardwindow.moc"
