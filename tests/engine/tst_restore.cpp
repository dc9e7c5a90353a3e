#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class RestoreTest : public QObject {
    Q_OBJECT
private slots:
    void stopRestoresInOrder()
    {
        StoreFixture f;
        f.fake.sound.volume = {60, false, 40};
        f.fake.sound.brightness = 0.8;
        f.fake.sound.keyboardBrightness = 0.3;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.2); // muted
        f.fake.sound.brightness = 0.0;
        f.fake.sound.keyboardBrightness = 0.0;
        f.fake.calls.clear();
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound."),
                 (QStringList{"sound.setOutputVolume 60", "sound.setAlertVolume 40", "sound.setOutputMuted false",
                              "sound.readBrightness", "sound.setBrightness 0.8", "sound.readKeyboardBrightness",
                              "sound.setKeyboardBrightness 0.3"}));
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
    }

    // From an edited state file.
    void capturedValuesAreClamped()
    {
        StoreFixture f;
        f.store->mode = AwakeMode::forced;
        f.store->previousVolume = 150;
        f.store->previousAlertVolume = -5;
        f.store->previousBrightness = -0.5;
        f.store->previousKeyboardBrightness = 3.0;
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound.set"),
                 (QStringList{"sound.setOutputVolume 100", "sound.setAlertVolume 0", "sound.setOutputMuted false",
                              "sound.setBrightness 0", "sound.setKeyboardBrightness 1"}));
    }

    void unreadableSoundStillUnmutes()
    {
        StoreFixture f;
        f.fake.sound.volume = {};
        f.fake.sound.brightness = std::nullopt;
        f.fake.sound.keyboardBrightness = std::nullopt;
        f.store->enable(AwakeMode::forced);
        f.fake.calls.clear();
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound."), QStringList{"sound.setOutputMuted false"});
    }

    void brightnessIsRewrittenOnlyWhenOff_data()
    {
        QTest::addColumn<std::optional<double>>("current");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("0.625") << std::optional(0.625) << false;
        QTest::newRow("0.6") << std::optional(0.6) << true;
        QTest::newRow("0.64") << std::optional(0.64) << true;
        QTest::newRow("unreadable") << std::optional<double>() << true;
    }
    void brightnessIsRewrittenOnlyWhenOff()
    {
        QFETCH(std::optional<double>, current);
        QFETCH(bool, rewritten);
        StoreFixture f;
        f.store->mode = AwakeMode::forced;
        f.store->previousBrightness = 0.62;
        f.store->previousKeyboardBrightness = 0.62;
        f.fake.sound.brightness = current;
        f.fake.sound.keyboardBrightness = current;
        f.store->disable(DisableReason::manual, false);
        const QStringList both{"sound.setBrightness 0.62", "sound.setKeyboardBrightness 0.62"};
        QCOMPARE(f.fake.callsStartingWith("sound.set").mid(1), rewritten ? both : QStringList());
    }

    // A normal stop must not unmute what the user muted meanwhile.
    void normalStopRestoresNothing()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        f.store->previousVolume = 50;
        f.store->disable(DisableReason::manual, false);
        QVERIFY(f.fake.callsStartingWith("sound.set").isEmpty());
    }
};

QTEST_GUILESS_MAIN(RestoreTest)
#include "tst_restore.moc"
