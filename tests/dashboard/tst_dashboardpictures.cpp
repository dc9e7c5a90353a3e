// The control and settings tabs as pictures, in both languages, against the
// references in tests/dashboard/reference/.

#include "dashboard/DashboardRootView.h"
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
        QTest::addColumn<QString>("reference");
        QTest::newRow("control zh") << DashboardTab::control << AppLanguage::chinese << "control-zh";
        QTest::newRow("control en") << DashboardTab::control << AppLanguage::english << "control-en";
        QTest::newRow("settings zh") << DashboardTab::settings << AppLanguage::chinese << "settings-zh";
        QTest::newRow("settings en") << DashboardTab::settings << AppLanguage::english << "settings-en";
    }
    void tabs()
    {
        QFETCH(DashboardTab, tab);
        QFETCH(AppLanguage, language);
        QFETCH(QString, reference);
        StoreFixture f;
        f.fake.power.snapshot.source = PowerSourceKind::ac;
        f.fake.power.snapshot.batteryPercent = 87;
        StateStore& state = *f.store;
        state.language = language;
        state.mode = AwakeMode::normal;
        state.minimumBatteryPercentage = 20;
        state.forcedPelvaneColor = QColor(0x73, 0xDD, 0xF3);
        FakeColorPanel panel;
        DashboardRootView root(state, panel, DashboardActions{});
        root.update({}, state);
        root.showTab(tab);
        root.resize(650, 872); // as it opens on a 1440 x 900 screen
        LAUNCHER_COMPARE_WITH_REFERENCE(root.grab().toImage(), "dashboard/reference/" + reference);
    }
};

QTEST_MAIN(DashboardPicturesTest)
#include "tst_dashboardpictures.moc"
