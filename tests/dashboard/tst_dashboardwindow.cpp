// The dashboard window through the real host, and its control and settings
// tabs: what each control calls or stores, and refreshes that change nothing.

#include "app/AppDelegate.h"
#include "dashboard/DashboardControlView.h"
#include "dashboard/DashboardRootView.h"
#include "dashboard/DashboardSettingsView.h"
#include "dashboard/HistoryDashboardView.h"
#include "dashboard/HistoryWindowController.h"
#include "dashboard/WindowDashboardHost.h"
#include "support/FakeAppPlatform.h"
#include "support/StoreFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QtTest>

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
        QCOMPARE((QStringList{first->windowTitle(), root->segmented()->tabText(0), root->controlView()->forcedButton()->text()}),
                 (QStringList{"Pelvane Awake Dashboard", "Control", "Start forced mode (3h)"}));
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

    void controlTab()
    {
        ControlTab c;
        c.f.store->changePreferences([&](Preferences& p) { p.language = AppLanguage::chinese; });
        c.f.store->enable(AwakeMode::forced);
        c.view.update(*c.f.store);
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
        QCOMPARE(s.refreshes, 2 + 2 + 1);

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
        QCOMPARE(s.refreshes, 5);
    }
};

QTEST_MAIN(DashboardWindowTest)
#include "tst_dashboardwindow.moc"
