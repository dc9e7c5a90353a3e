// The control and settings tabs as pictures, in both languages, against the
// references in tests/dashboard/reference/; the bundled symbols they show.

#include "dashboard/DashboardRootView.h"
#include "dashboard/Symbols.h"
#include "support/FakeAppPlatform.h"
#include "support/ReferencePictures.h"
#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(launcher::AppLanguage)
Q_DECLARE_METATYPE(launcher::DashboardTab)

class DashboardPicturesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { pinLookForPictures(); }

    void tabs_data()
    {
        QTest::addColumn<DashboardTab>("tab");
        QTest::addColumn<AppLanguage>("language");
        QTest::newRow("control-zh") << DashboardTab::control << AppLanguage::chinese;
        QTest::newRow("control-en") << DashboardTab::control << AppLanguage::english;
        QTest::newRow("settings-zh") << DashboardTab::settings << AppLanguage::chinese;
        QTest::newRow("settings-en") << DashboardTab::settings << AppLanguage::english;
    }
    void tabs()
    {
        QFETCH(DashboardTab, tab);
        QFETCH(AppLanguage, language);
        StoreFixture f;
        f.fake.power.snapshot.source = PowerSourceKind::ac;
        f.fake.power.snapshot.batteryPercent = 87;
        StateStore& state = *f.store;
        state.changePreferences([&](Preferences& p) { p.language = language; });
        state.enable(AwakeMode::normal);
        state.changePreferences([&](Preferences& p) { p.minimumBatteryPercentage = 20; });
        state.changePreferences([&](Preferences& p) { p.forcedPelvaneColor = QColor(0x73, 0xDD, 0xF3); });
        FakeColorPanel panel;
        DashboardRootView root(state, panel, DashboardActions{});
        root.update({}, state);
        root.showTab(tab);
        root.resize(650, 872); // as it opens on a 1440 x 900 screen
        LAUNCHER_COMPARE_WITH_REFERENCE(root.grab().toImage(), QStringLiteral("dashboard/reference/") + QTest::currentDataTag());
    }

    void symbolsAtTheScreensScale()
    {
        // The pictures are drawn at a ratio of 1; a Retina screen has 2.
        const QPixmap pixmap = symbolPixmap(QStringLiteral("bolt.heart.fill"), 14, Qt::red, 2);
        QCOMPARE(pixmap.devicePixelRatio(), 2.0);
        QCOMPARE(pixmap.size(), QSize(28, 28));
    }
};

QTEST_MAIN(DashboardPicturesTest)
#include "tst_dashboardpictures.moc"
