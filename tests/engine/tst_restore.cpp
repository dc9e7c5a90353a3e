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
        QCOMPARE(f.store->previousVolume, std::nullopt);
        QCOMPARE(f.store->previousMuted, std::nullopt);
        QCOMPARE(f.store->previousAlertVolume, std::nullopt);
        QCOMPARE(f.store->previousBrightness, std::nullopt);
        QCOMPARE(f.store->previousKeyboardBrightness, std::nullopt);
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
    }

    // From an edited state file.
    void capturedValuesAreClamped()
    {
        StoreFixture f;
        f.store->mode = AwakeMode::forced;
        f.store->previousVolume = 150;
        f.store->previousAlertVolume = -5;
        f.store->previousMuted = true;
        f.store->previousBrightness = 1.7;
        f.store->previousKeyboardBrightness = 3.0;
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound.set"),
                 (QStringList{"sound.setOutputVolume 100", "sound.setAlertVolume 0", "sound.setOutputMuted true",
                              "sound.setBrightness 1", "sound.setKeyboardBrightness 1"}));

        f.store->mode = AwakeMode::forced;
        f.store->previousBrightness = -0.5;
        f.fake.calls.clear();
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound.setBrightness"), QStringList{"sound.setBrightness 0"});
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

    void brightnessWithinToleranceIsLeftAlone_data()
    {
        QTest::addColumn<double>("current");
        QTest::addColumn<bool>("rewritten");
        QTest::newRow("0.625") << 0.625 << false;
        QTest::newRow("0.615") << 0.615 << false;
        QTest::newRow("0.6") << 0.6 << true;
        QTest::newRow("0.64") << 0.64 << true;
    }
    void brightnessWithinToleranceIsLeftAlone()
    {
        QFETCH(double, current);
        QFETCH(bool, rewritten);
        StoreFixture f;
        f.store->mode = AwakeMode::forced;
        f.store->previousBrightness = 0.62;
        f.store->previousKeyboardBrightness = 0.62;
        f.fake.sound.brightness = current;
        f.fake.sound.keyboardBrightness = current;
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound.setBrightness").size(), rewritten ? 1 : 0);
        QCOMPARE(f.fake.callsStartingWith("sound.setKeyboardBrightness").size(), rewritten ? 1 : 0);
    }

    void unreadableBrightnessIsRewritten()
    {
        StoreFixture f;
        f.store->mode = AwakeMode::forced;
        f.store->previousBrightness = 0.5;
        f.fake.sound.brightness = std::nullopt;
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound.setBrightness"), QStringList{"sound.setBrightness 0.5"});
    }

    void normalStopRestoresNothing()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        f.store->previousVolume = 50; // stale values are not a forced period
        f.store->disable(DisableReason::manual, false);
        QVERIFY(f.fake.callsStartingWith("sound.set").isEmpty());
    }

    void capturedValuesSurviveARestart()
    {
        FakePlatform fake;
        fake.sound.volume = {70, true, 20};
        fake.sound.brightness = 0.9;
        {
            StateStore first(fake.platform());
            first.enable(AwakeMode::forced);
            // The program dies here: the keep-awake process lives on.
        }
        fake.sound.brightness = 0.0;
        fake.clock.advance(60);
        StateStore second(fake.platform());
        second.reconnectIfPossible();
        QCOMPARE(second.mode, AwakeMode::forced);
        QCOMPARE(second.previousVolume, std::optional(70));
        QCOMPARE(second.previousMuted, std::optional(true));
        QCOMPARE(second.previousBrightness, std::optional(0.9));
        fake.calls.clear();
        second.disable(DisableReason::manual, true);
        QCOMPARE(fake.callsStartingWith("sound.set"),
                 (QStringList{"sound.setOutputVolume 70", "sound.setAlertVolume 20", "sound.setOutputMuted true",
                              "sound.setBrightness 0.9"}));
        QVERIFY(second.loadHistoryEntries().back().note.startsWith("恢复正常模式；按Mac估算"));
    }
};

QTEST_GUILESS_MAIN(RestoreTest)
#include "tst_restore.moc"
