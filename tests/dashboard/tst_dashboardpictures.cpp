// The control and settings tabs as pictures, in both languages, against the
// references in tests/dashboard/reference/; the bundled symbols they show.

#include "dashboard/DashboardControlView.h"
#include "dashboard/DashboardRootView.h"
#include "dashboard/Symbols.h"
#include "support/FakeAppPlatform.h"
#include "support/ReferencePictures.h"
#include "support/StoreFixture.h"

#include <QLabel>
#include <QtTest>

#include <algorithm>

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

    // Sizes are logical pixels, whatever the screen's dots per inch.
    void fontSizesInPixels()
    {
        StoreFixture f;
        FakeColorPanel panel;
        f.store->changePreferences([&](Preferences& p) { p.language = AppLanguage::chinese; });
        DashboardRootView root(*f.store, panel, DashboardActions{});
        root.update({}, *f.store);
        const std::pair<const char*, int> sizes[] = {
            {"Pelvane挂机控制台", 18}, {"当前状态", 9}, {"待机", 14}, {"最近挂机概览", 18},
            {"图标卡片 + 最近 7 天可视化图表", 10}, {"最近 7 天挂机时长", 13}, {"浅绿 = 挂机模式，深绿 = 强制挂机", 9},
            {"最近记录", 14}, {"还没有历史记录，先开一次挂机试试。", 12}, {"省电与成本估算", 13}, {"设备机型", 9},
        };
        const auto labels = root.findChildren<QLabel*>();
        for (const auto& [text, pixels] : sizes) {
            const QString wanted = QString::fromUtf8(text);
            const auto found =
                std::find_if(labels.begin(), labels.end(), [&wanted](QLabel* label) { return label->text() == wanted; });
            QVERIFY2(found != labels.end(), text);
            QCOMPARE(QFontInfo((*found)->font()).pixelSize(), pixels);
        }
        QCOMPARE(QFontInfo(root.subtitleLabel()->font()).pixelSize(), 10);
        // An estimate row's value: the machine, which the fake names "Mac".
        const auto machine =
            std::find_if(labels.begin(), labels.end(), [](QLabel* label) { return label->text() == QStringLiteral("Mac"); });
        QVERIFY(machine != labels.end());
        QCOMPARE(QFontInfo((*machine)->font()).pixelSize(), 11);
    }

    // Its own deep green, not a style's lighter gradient of it.
    void forcedButtonBezelIsTheDeepGreen()
    {
        StoreFixture f;
        DashboardControlView view(*f.store, {}, {}, {}, {});
        view.resize(602, 600);
        const QImage picture = view.forcedButton()->grab().toImage();
        const QColor deep = activePelvaneGreenDeep();
        for (QPoint spot : {QPoint(picture.width() / 2, 4), QPoint(8, picture.height() / 2),
                            QPoint(picture.width() / 2, picture.height() - 5)}) {
            const QColor seen = picture.pixelColor(spot);
            QVERIFY2(std::abs(seen.red() - deep.red()) <= 2 && std::abs(seen.green() - deep.green()) <= 2
                         && std::abs(seen.blue() - deep.blue()) <= 2,
                     qPrintable(seen.name()));
        }
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
