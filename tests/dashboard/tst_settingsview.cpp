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
#include <QStyle>
#include <QStyleOptionSlider>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

struct SettingsFixture {
    SettingsFixture()
    {
        view = std::make_unique<DashboardSettingsView>(*f.store, colorPanel, [this] { ++refreshes; });
    }
    StateStore& state() { return *f.store; }
    QJsonObject prefs() const { return QJsonDocument::fromJson(readFile(f.store->prefsFile)).object(); }

    StoreFixture f;
    FakeColorPanel colorPanel;
    std::unique_ptr<DashboardSettingsView> view;
    int refreshes = 0;
};

QPoint handleCentre(QSlider* slider)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = slider->orientation();
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
}

} // namespace

class SettingsViewTest : public QObject {
    Q_OBJECT
private slots:
    void checkboxesStoreAndSave_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("key");
        QTest::newRow("mute") << 0 << "muteInForced";
        QTest::newRow("movie") << 1 << "requireMoviePlayback";
        QTest::newRow("battery") << 2 << "allowOnBattery";
        QTest::newRow("ac") << 3 << "allowOnAC";
    }
    void checkboxesStoreAndSave()
    {
        QFETCH(int, index);
        QFETCH(QString, key);
        SettingsFixture s;
        QCheckBox* box = QList<QCheckBox*>{s.view->muteCheckbox(), s.view->movieCheckbox(),
                                           s.view->batteryCheckbox(), s.view->acCheckbox()}[index];
        bool StateStore::*field = QList<bool StateStore::*>{&StateStore::muteInForced, &StateStore::requireMoviePlayback,
                                                            &StateStore::allowOnBattery, &StateStore::allowOnAC}[index];
        const bool before = s.state().*field;
        QCOMPARE(box->isChecked(), before);
        for (bool expected : {!before, before}) {
            box->click();
            QCOMPARE(s.state().*field, expected);
            QCOMPARE(s.prefs().value(key).toBool(), expected);
        }
        QCOMPARE(s.refreshes, 2);
    }

    void bothPowerSourcesMayBeUnchecked()
    {
        SettingsFixture s;
        s.view->batteryCheckbox()->click();
        s.view->acCheckbox()->click();
        QVERIFY(!s.state().allowOnBattery && !s.state().allowOnAC);
        QCOMPARE(s.prefs().value("allowOnBattery").toBool(true), false);
        QCOMPARE(s.prefs().value("allowOnAC").toBool(true), false);
    }

    void sliderDraggedToItsEndStoresHundred()
    {
        SettingsFixture s;
        s.state().minimumBatteryPercentage = 20;
        s.view->update(s.state());
        QCOMPARE(s.view->minimumBatteryValueLabel()->text(), QStringLiteral("20%"));

        QSlider* slider = s.view->minimumBatterySlider();
        s.view->resize(560, 600);
        s.view->show();
        const QPoint grab = handleCentre(slider);
        QTest::mousePress(slider, Qt::LeftButton, {}, grab);
        QTest::mouseMove(slider, QPoint(slider->width() + 50, grab.y()));
        // A refresh in the middle of the drag neither stores nor moves the handle.
        s.view->update(s.state());
        QCOMPARE(s.state().minimumBatteryPercentage, 20);
        QCOMPARE(s.view->minimumBatteryValueLabel()->text(), QStringLiteral("100%"));
        QTest::mouseRelease(slider, Qt::LeftButton, {}, QPoint(slider->width() + 50, grab.y()));

        QCOMPARE(s.state().minimumBatteryPercentage, 100);
        QCOMPARE(s.prefs().value("minimumBatteryPercentage").toInt(), 100);
        QCOMPARE(s.view->minimumBatteryValueLabel()->text(), QStringLiteral("100%"));
        QCOMPARE(s.refreshes, 1);
    }

    void languagePopupStoresThePosition()
    {
        SettingsFixture s;
        QComboBox* popup = s.view->languagePopup();
        const QStringList items{"跟随系统", "中文", "English"};
        const QStringList raw{"system", "chinese", "english"};
        for (int index : {2, 1, 0, 2}) {
            popup->setCurrentIndex(index);
            emit popup->activated(index);
            QCOMPARE(int(s.state().language), index);
            QCOMPARE(s.prefs().value("language").toString(), raw[index]);
            s.view->update(s.state());
            QStringList shown;
            for (int i = 0; i < popup->count(); ++i)
                shown << popup->itemText(i);
            QCOMPARE(shown, items);
            QCOMPARE(popup->currentIndex(), index);
        }
        QCOMPARE(s.refreshes, 4);
        QCOMPARE(s.view->languageLabel()->text(), QStringLiteral("Language"));
        QCOMPARE(s.view->acCheckbox()->text(), QStringLiteral("Allow awake on AC"));
    }

    void refreshChangesNothing()
    {
        SettingsFixture s;
        s.state().muteInForced = false;
        s.state().minimumBatteryPercentage = 35;
        s.state().language = AppLanguage::english;
        const QByteArray before = readFile(s.state().prefsFile);
        for (int i = 0; i < 3; ++i)
            s.view->update(s.state());
        QCOMPARE(s.refreshes, 0);
        QCOMPARE(readFile(s.state().prefsFile), before);
        QVERIFY(!s.view->muteCheckbox()->isChecked());
        QCOMPARE(s.view->minimumBatterySlider()->value(), 35);
        QCOMPARE(s.view->languagePopup()->currentIndex(), 2);
    }

    void colorWellsGoThroughTheColorPanel()
    {
        SettingsFixture s;
        s.state().forcedPelvaneColor = QColor(0x11, 0x22, 0x33);
        s.view->forcedColorWell()->click();
        QCOMPARE(s.colorPanel.opens, 1);
        QCOMPARE(s.colorPanel.openedWith, QColor(0x11, 0x22, 0x33));

        // An HSV pick arrives as sRGB; only the forced colour changes.
        const QColor hang = s.state().hangPelvaneColor;
        s.colorPanel.change(QColor::fromHsv(200, 255, 255));
        QCOMPARE(s.state().forcedPelvaneColor.spec(), QColor::Rgb);
        QCOMPARE(colorToHex(s.state().forcedPelvaneColor), QStringLiteral("#00AAFF"));
        QCOMPARE(s.prefs().value("forcedColorHex").toString(), QStringLiteral("#00AAFF"));
        QCOMPARE(s.state().hangPelvaneColor, hang);
        QCOMPARE(s.refreshes, 1);

        s.view->hangColorWell()->click();
        s.colorPanel.change(QColor(0x73, 0xDD, 0xF3));
        QCOMPARE(s.prefs().value("hangColorHex").toString(), QStringLiteral("#73DDF3"));
        QCOMPARE(s.prefs().value("forcedColorHex").toString(), QStringLiteral("#00AAFF"));
    }

    void colorPanelOutlivingTheViewIsHarmless()
    {
        SettingsFixture s;
        s.view->hangColorWell()->click();
        const QColor hang = s.state().hangPelvaneColor;
        s.view.reset();
        s.colorPanel.change(Qt::red);
        QCOMPARE(s.state().hangPelvaneColor, hang);
        QCOMPARE(s.refreshes, 0);
    }
};

QTEST_MAIN(SettingsViewTest)
#include "tst_settingsview.moc"
