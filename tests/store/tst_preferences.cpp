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

QJsonObject readObject(const QString& path)
{
    return QJsonDocument::fromJson(readFile(path)).object();
}

void writePrefs(FakePlatform& fake, const QByteArray& bytes)
{
    QDir().mkpath(fake.supportDirectory());
    writeFile(fake.supportDirectory() + "/prefs.json", bytes);
}

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT
private slots:
    void missingFileGivesDefaultsAndWritesThem()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        QVERIFY(store.muteInForced);
        QVERIFY(store.allowOnBattery);
        QVERIFY(store.allowOnAC);
        QCOMPARE(store.minimumBatteryPercentage, 0);
        QVERIFY(!store.requireMoviePlayback);
        QCOMPARE(store.language, AppLanguage::system);
        QCOMPARE(colorToHex(store.hangPelvaneColor), colorToHex(activePelvaneGreen()));
        QCOMPARE(colorToHex(store.forcedPelvaneColor), colorToHex(activePelvaneGreen()));

        const QByteArray written = readFile(store.prefsFile);
        QVERIFY2(written.count('\n') >= 8, "pretty-printed, one member per line");
        QCOMPARE(QJsonDocument::fromJson(written).object().size(), 8);
    }

    void badFilesAreReplacedWithDefaults_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("array") << QByteArray("[]");
        QTest::newRow("invalid json") << QByteArray("{\"muteInForced\": fal");
        QTest::newRow("binary") << QByteArray("\xff\xfe\x00\x01", 4);
        QTest::newRow("string") << QByteArray("\"hello\"");
    }
    void badFilesAreReplacedWithDefaults()
    {
        QFETCH(QByteArray, bytes);
        FakePlatform fake;
        writePrefs(fake, bytes);
        StateStore store(fake.platform());
        QVERIFY(store.muteInForced);
        QCOMPARE(readObject(store.prefsFile).size(), 8);
    }

    void emptyObjectGivesDefaultsAndIsKept()
    {
        FakePlatform fake;
        writePrefs(fake, "{}");
        StateStore store(fake.platform());
        QVERIFY(store.allowOnAC);
        QCOMPARE(readFile(store.prefsFile), QByteArray("{}"));
    }

    void valuesAreReadWithTheirRulesAndSavedBack()
    {
        FakePlatform fake;
        writePrefs(fake, "{\"muteInForced\":false,\"language\":\"english\",\"allowOnBattery\":false,"
                         "\"allowOnAC\":\"yes\",\"minimumBatteryPercentage\":40,\"requireMoviePlayback\":true,"
                         "\"forcedColorHex\":\"#FF0000\",\"extra\":1}");
        const auto check = [](const StateStore& store, bool allowOnAC) {
            QVERIFY(!store.muteInForced);
            QCOMPARE(store.language, AppLanguage::english);
            QVERIFY(!store.allowOnBattery);
            QCOMPARE(store.allowOnAC, allowOnAC);
            QCOMPARE(store.minimumBatteryPercentage, 40);
            QVERIFY(store.requireMoviePlayback);
            QCOMPARE(colorToHex(store.forcedPelvaneColor), QString("#FF0000"));
        };
        StateStore store(fake.platform());
        check(store, true); // a wrong type keeps the default, alone
        store.allowOnAC = false;
        QVERIFY(store.savePreferences());
        check(StateStore(fake.platform()), false);
    }

    void memberRules_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("language");
        const int sys = int(AppLanguage::system);
        QTest::newRow("minimum negative") << QByteArray(R"("minimumBatteryPercentage":-5)") << 0 << sys;
        QTest::newRow("minimum inside") << QByteArray(R"("minimumBatteryPercentage":20)") << 20 << sys;
        QTest::newRow("minimum above") << QByteArray(R"("minimumBatteryPercentage":150)") << 100 << sys;
        QTest::newRow("minimum huge") << QByteArray(R"("minimumBatteryPercentage":1e300)") << 100 << sys;
        QTest::newRow("minimum fraction") << QByteArray(R"("minimumBatteryPercentage":20.5)") << 0 << sys;
        QTest::newRow("minimum string") << QByteArray(R"("minimumBatteryPercentage":"20")") << 0 << sys;
        QTest::newRow("language chinese") << QByteArray(R"("language":"chinese")") << 0 << int(AppLanguage::chinese);
        QTest::newRow("language unknown") << QByteArray(R"("language":"french")") << 0 << sys;
        QTest::newRow("language number") << QByteArray(R"("language":7)") << 0 << sys;
    }
    void memberRules()
    {
        QFETCH(QByteArray, member);
        QFETCH(int, minimum);
        QFETCH(int, language);
        FakePlatform fake;
        writePrefs(fake, "{" + member + "}");
        StateStore store(fake.platform());
        QCOMPARE(store.minimumBatteryPercentage, minimum);
        QCOMPARE(int(store.language), language);
    }

    void retiredHangColoursAreNotHonoured()
    {
        for (const char* retired : {"#B8F5C4", "#B8F5C7"}) {
            FakePlatform fake;
            writePrefs(fake, QByteArray("{\"hangColorHex\":\"") + retired + "\",\"forcedColorHex\":\"" + retired + "\"}");
            StateStore store(fake.platform());
            QCOMPARE(colorToHex(store.hangPelvaneColor), colorToHex(activePelvaneGreen()));
            QCOMPARE(colorToHex(store.forcedPelvaneColor), QString(retired));
        }
        FakePlatform fake;
        writePrefs(fake, "{\"hangColorHex\":\"#b8f5c4\"}");
        QCOMPARE(colorToHex(StateStore(fake.platform()).hangPelvaneColor), QString("#B8F5C4"));
    }

    void colourSetterStoresAndSaves()
    {
        FakePlatform fake;
        StateStore store(fake.platform());
        store.setPelvaneColor(QColor(10, 20, 30), PelvaneColorTarget::forced);
        QCOMPARE(readObject(store.prefsFile).value("forcedColorHex").toString(), QString("#0A141E"));
        store.setPelvaneColor(QColor::fromHsv(200, 100, 100), PelvaneColorTarget::hang);
        QCOMPARE(colorToHex(store.hangPelvaneColor), colorToHex(QColor::fromHsv(200, 100, 100)));
        QCOMPARE(readObject(store.prefsFile).value("hangColorHex").toString(), colorToHex(store.hangPelvaneColor));
        // A saved colour survives a restart unchanged.
        StateStore again(fake.platform());
        QCOMPARE(colorToHex(again.forcedPelvaneColor), QString("#0A141E"));
        QCOMPARE(colorToHex(again.hangPelvaneColor), colorToHex(store.hangPelvaneColor));
    }

    void languageResolution_data()
    {
        QTest::addColumn<int>("setting");
        QTest::addColumn<QStringList>("preferred");
        QTest::addColumn<int>("expected");
        const int sys = int(AppLanguage::system), zh = int(AppLanguage::chinese), en = int(AppLanguage::english);
        QTest::newRow("en-GB") << sys << QStringList{"en-GB", "zh-Hans"} << en;
        QTest::newRow("EN upper") << sys << QStringList{"EN-us"} << en;
        QTest::newRow("de-DE") << sys << QStringList{"de-DE", "en-US"} << zh;
        QTest::newRow("empty") << sys << QStringList{} << zh;
        QTest::newRow("forced chinese") << zh << QStringList{"en-US"} << zh;
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
        store.language = AppLanguage(setting);
        QCOMPARE(int(store.effectiveLanguage()), expected);
        QCOMPARE(store.localized("中", "en"), expected == int(AppLanguage::english) ? QString("en") : QString("中"));
    }
};

QTEST_GUILESS_MAIN(PreferencesTest)
#include "tst_preferences.moc"
