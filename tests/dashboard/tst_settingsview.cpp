// The settings tab: each control stores its preference, saves the file and
// asks for a refresh; a refresh itself changes nothing.

#include "dashboard/DashboardSettingsView.h"
#include "store/Color.h"
#include "support/FakeAppPlatform.h"
#include "support/StoreFixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

struct SettingsFixture {
    SettingsFixture() { view = std::make_unique<DashboardSettingsView>(*f.store, panel, [this] { ++refreshes; }); }
    QJsonObject prefs() const { return QJsonDocument::fromJson(readFile(f.store->prefsFile)).object(); }

    StoreFixture f;
    FakeColorPanel panel;
    std::unique_ptr<DashboardSettingsView> view;
    int refreshes = 0;
};

class SettingsViewTest : public QObject {
    Q_OBJECT
private slots:
    void checkboxesStoreAndSave()
    {
        SettingsFixture s;
        const std::tuple<QCheckBox*, bool StateStore::*, const char*> boxes[] = {
            {s.view->muteCheckbox(), &StateStore::muteInForced, "muteInForced"},
            {s.view->movieCheckbox(), &StateStore::requireMoviePlayback, "requireMoviePlayback"},
            {s.view->batteryCheckbox(), &StateStore::allowOnBattery, "allowOnBattery"},
            {s.view->acCheckbox(), &StateStore::allowOnAC, "allowOnAC"},
        };
        for (auto [box, field, key] : boxes) {
            const bool before = (*s.f.store).*field;
            QCOMPARE(box->isChecked(), before);
            box->click();
            QCOMPARE((*s.f.store).*field, !before);
            QCOMPARE(s.prefs().value(key).toBool(before), !before);
        }
        // Both power sources off is allowed and saved.
        QVERIFY(!s.f.store->allowOnBattery && !s.f.store->allowOnAC);
        QCOMPARE(s.refreshes, 4);
    }

    void sliderDraggedToItsEndStoresHundred()
    {
        SettingsFixture s;
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
        QCOMPARE(s.f.store->minimumBatteryPercentage, 0);
        QCOMPARE(s.view->minimumBatteryValueLabel()->text(), QStringLiteral("100%"));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, end);

        QCOMPARE(s.f.store->minimumBatteryPercentage, 100);
        QCOMPARE(s.prefs().value("minimumBatteryPercentage").toInt(), 100);
        QCOMPARE(s.view->minimumBatteryValueLabel()->text(), QStringLiteral("100%"));
        QCOMPARE(s.refreshes, 1);
    }

    void languagePopupStoresThePosition()
    {
        SettingsFixture s;
        QComboBox* popup = s.view->languagePopup();
        const QStringList raw{"system", "chinese", "english"};
        for (int index : {2, 1, 0, 2}) {
            popup->setCurrentIndex(index);
            emit popup->activated(index);
            QCOMPARE(s.prefs().value("language").toString(), raw[index]);
            s.view->update(*s.f.store);
            QCOMPARE(popup->currentIndex(), index);
        }
        // A change made elsewhere is shown by the refresh, which writes and asks nothing.
        s.f.store->language = AppLanguage::chinese;
        s.f.store->muteInForced = false;
        s.f.store->minimumBatteryPercentage = 35;
        const QByteArray saved = readFile(s.f.store->prefsFile);
        s.view->update(*s.f.store);
        QCOMPARE(popup->currentIndex(), 1);
        QVERIFY(!s.view->muteCheckbox()->isChecked());
        QCOMPARE(s.view->minimumBatteryValueLabel()->text(), QStringLiteral("35%"));
        QCOMPARE(readFile(s.f.store->prefsFile), saved);
        QCOMPARE(popup->count(), 3);
        QCOMPARE(popup->itemText(0), QStringLiteral("跟随系统"));
        QCOMPARE(s.view->acCheckbox()->text(), QStringLiteral("允许接电源时挂机"));
        QCOMPARE(s.refreshes, 4);
    }

    void colorWellsGoThroughTheColorPanel()
    {
        SettingsFixture s;
        s.f.store->forcedPelvaneColor = QColor(0x11, 0x22, 0x33);
        const QColor hang = s.f.store->hangPelvaneColor;
        s.view->forcedColorWell()->click();
        QCOMPARE(s.panel.openedWith, QColor(0x11, 0x22, 0x33));
        // An HSV pick is stored as sRGB, for that colour only.
        s.panel.change(QColor::fromHsv(200, 255, 255));
        QCOMPARE(s.f.store->forcedPelvaneColor, s.f.store->forcedPelvaneColor.toRgb()); // equal only when held as RGB
        QCOMPARE(s.prefs().value("forcedColorHex").toString(), QStringLiteral("#00AAFF"));
        QCOMPARE(s.f.store->hangPelvaneColor, hang);
        QCOMPARE(s.refreshes, 1);

        // The panel outlives the window it was opened from.
        s.view->hangColorWell()->click();
        s.view.reset();
        s.panel.change(Qt::red);
        QCOMPARE(s.f.store->hangPelvaneColor, hang);
        QCOMPARE(s.refreshes, 1);
    }
};

QTEST_MAIN(SettingsViewTest)
#include "tst_settingsview.moc"
