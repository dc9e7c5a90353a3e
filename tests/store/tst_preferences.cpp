#include "engine/Constants.h"
#include "engine/StateStore.h"
#include "store/Color.h"
#include "support/FakePlatform.h"
#include "support/Files.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

void writePrefs(FakePlatform& fake, const QByteArray& bytes)
{
    QDir().mkpath(fake.supportDirectory());
    writeFile(fake.supportDirectory() + "/prefs.json", bytes);
}

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT
private slots:
    void missingOrBadFilesAreReplacedWithDefaults_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null: no file
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("truncated") << QByteArray("{\"muteInForced\": fal");
        QTest::newRow("NaN") << QByteArray("{\"minimumBatteryPercentage\": NaN}");
        QTest::newRow("invalid UTF-8") << QByteArray("{\"language\": \"english\xff\xfe\"}");
    }
    // The unreadable file is kept beside the defaults, so the settings can be mended by hand.
    void missingOrBadFilesAreReplacedWithDefaults()
    {
        QFETCH(QByteArray, bytes);
        FakePlatform fake;
        if (!bytes.isNull())
            writePrefs(fake, bytes);
        StateStore store(fake.platform());
        QVERIFY(store.preferences().muteInForced);
        QCOMPARE(store.preferences().language, AppLanguage::system);
        QCOMPARE(QJsonDocument::fromJson(readFile(store.prefsFile())).object().size(), 8);
        const QString corrupt = store.prefsFile() + ".corrupt";
        if (bytes.isNull())
            QVERIFY(!QFile::exists(corrupt));
        else
            QCOMPARE(readFile(corrupt), bytes);
    }

    void onlyTheLatestUnreadableFileIsKeptAndNothingIsLostForIt()
    {
        FakePlatform fake;
        const QString prefs = fake.supportDirectory() + "/prefs.json";
        const QString corrupt = prefs + ".corrupt";
        writePrefs(fake, "{\"allowOnAC\": false,");
        { StateStore store(fake.platform()); }
        writePrefs(fake, "{\"allowOnBattery\": false,");
        { StateStore store(fake.platform()); }
        QCOMPARE(readFile(corrupt), QByteArray("{\"allowOnBattery\": false,"));

        // An empty file holds nothing worth a copy: the earlier one stays.
        writePrefs(fake, "");
        { StateStore store(fake.platform()); }
        QCOMPARE(readFile(corrupt), QByteArray("{\"allowOnBattery\": false,"));
        QCOMPARE(QJsonDocument::fromJson(readFile(prefs)).object().size(), 8);

        // Where no copy can be made, the file is not overwritten at load.
        QVERIFY(QFile::remove(corrupt));
        QVERIFY(QDir().mkpath(corrupt));
        writePrefs(fake, "{\"muteInForced\": false,");
        StateStore store(fake.platform());
        QVERIFY(store.preferences().muteInForced);
        QCOMPARE(readFile(prefs), QByteArray("{\"muteInForced\": false,"));
        // The next change still saves, as every change does.
        store.setPelvaneColor(Qt::red, PelvaneColorTarget::forced);
        QCOMPARE(QJsonDocument::fromJson(readFile(prefs)).object().value("forcedColorHex").toString(), "#FF0000");
    }

    void valuesAreReadWithTheirRulesAndSavedBack()
    {
        FakePlatform fake;
        writePrefs(fake, "{\"muteInForced\":false,\"language\":\"english\",\"allowOnBattery\":false,"
                         "\"allowOnAC\":\"yes\",\"minimumBatteryPercentage\":40,\"requireMoviePlayback\":true,"
                         "\"forcedColorHex\":\"#FF0000\",\"extra\":1}");
        const auto check = [](const StateStore& store, bool allowOnAC) {
            QVERIFY(!store.preferences().muteInForced);
            QCOMPARE(store.preferences().language, AppLanguage::english);
            QVERIFY(!store.preferences().allowOnBattery);
            QCOMPARE(store.preferences().allowOnAC, allowOnAC);
            QCOMPARE(store.preferences().minimumBatteryPercentage, 40);
            QVERIFY(store.preferences().requireMoviePlayback);
            QCOMPARE(colorToHex(store.preferences().forcedPelvaneColor), QString("#FF0000"));
            QCOMPARE(colorToHex(store.preferences().hangPelvaneColor), colorToHex(activePelvaneGreen()));
        };
        StateStore store(fake.platform());
        check(store, true); // a wrong type keeps the default, alone
        QVERIFY(store.changePreferences([](Preferences& p) { p.allowOnAC = false; }));
        check(StateStore(fake.platform()), false);
    }

    void memberRules_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<int>("minimum");
        QTest::newRow("minimum negative") << QByteArray(R"("minimumBatteryPercentage":-5)") << 0;
        QTest::newRow("minimum huge") << QByteArray(R"("minimumBatteryPercentage":1e300)") << 100;
        // An earlier default of the normal-mode colour is not honoured.
        QTest::newRow("retired colour") << QByteArray("\"hangColorHex\":\"#B8F5C4\"") << 0;
    }
    void memberRules()
    {
        QFETCH(QByteArray, member);
        QFETCH(int, minimum);
        FakePlatform fake;
        writePrefs(fake, "{" + member + ",\"forcedColorHex\":\"#B8F5C4\"}");
        StateStore store(fake.platform());
        QCOMPARE(store.preferences().minimumBatteryPercentage, minimum);
        QCOMPARE(colorToHex(store.preferences().hangPelvaneColor), colorToHex(activePelvaneGreen()));
        QCOMPARE(colorToHex(store.preferences().forcedPelvaneColor), QString("#B8F5C4"));
    }

    void languageResolution_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<int>("expected");
        const int sys = int(AppLanguage::system), zh = int(AppLanguage::chinese), en = int(AppLanguage::english);
        QTest::newRow("en-GB") << sys << QStringList{"en-GB", "zh-Hans"} << en;
        QTest::newRow("empty") << sys << QStringList{} << zh;
        QTest::newRow("forced english") << en << QStringList{"ja-JP"} << en;
    }
    void languageResolution()
    {
        QFETCH(int, setting);
        QFETCH(QStringList, preferred);
        QFETCH(int, expected);
        FakePlatform fake;
        StateStore store(fake.platform());
        fake.environment.languages = preferred; // read on every call, never kept
        store.changePreferences([&](Preferences& p) { p.language = AppLanguage(setting); });
        QCOMPARE(store.localized("中", "en"), expected == int(AppLanguage::english) ? QString("en") : QString("中"));
    }

    // --- colour text

    void toHex()
    {
        // Halves round away from zero: 0.5/255 above 127 gives 128.
        QCOMPARE(colorToHex(QColor::fromRgbF(127.5f / 255.f, 0, 0)), QString("#800000"));
        // A wide-gamut colour beyond sRGB must still give two digits per component.
        QCOMPARE(colorToHex(QColor::fromRgbF(1.3f, -0.2f, 0.5f)), QString("#FF0080"));
        // Converted from the calibrated space, not the raw components (74, 227, 101), yet close to them.
        const QColor green = activePelvaneGreen();
        QVERIFY(colorToHex(green) != "#4AE365");
        QVERIFY(qAbs(green.red() - 74) < 40 && qAbs(green.green() - 227) < 25 && qAbs(green.blue() - 101) < 40);
    }

    void fromHex()
    {
        const QColor fallback(1, 2, 3);
        for (const char* text : {"4ae365", " #4AE365\n"})
            QCOMPARE(colorFromHex(QString::fromUtf8(text), fallback), QColor(74, 227, 101));
        for (const char* text : {"#4AE36", "#4AE3651", "#4AG365", "#４AE365"})
            QVERIFY2(colorFromHex(QString::fromUtf8(text), fallback) == fallback, text);
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "tst_preferences.moc"
