#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class ReconnectTest : public QObject {
    Q_OBJECT
private slots:
    void unusableRecordCountsAsOff_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("dead pid") << QByteArray(R"({"mode":"normal","pid":9999,"startedAt":1799990000})");
        QTest::newRow("garbage") << QByteArray("\x00\x01garbage", 9);
        QTest::newRow("bad pid type") << QByteArray(R"({"mode":"normal","pid":"4001"})");
        QTest::newRow("zero pid") << QByteArray(R"({"mode":"normal","pid":0})");
        QTest::newRow("negative pid") << QByteArray(R"({"mode":"normal","pid":-1})");
    }
    void unusableRecordCountsAsOff()
    {
        QFETCH(QByteArray, bytes);
        StoreFixture f;
        f.fake.keepAwake.alive = {4001, 0, -1};
        writeFile(f.store->stateFile, bytes);
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, AwakeMode::off);
        QCOMPARE(f.store->pid, std::nullopt);
        QCOMPARE(f.store->startedAt, std::nullopt);
        QVERIFY(!f.store->isActive());
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
        QVERIFY(!QFile::exists(f.store->historyFile));
        QVERIFY(f.fake.keepAwake.terminated.empty());
    }

    // A live child is adopted as it is; a missing start time becomes now.
    void liveProcessIsAdopted_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("startedAt"); // 0: the time of adoption
        QTest::newRow("with start") << QByteArray(R"({"mode":"normal","pid":4242,"startedAt":1799990000.5})")
                                    << 1799990000.5;
        QTest::newRow("without start") << QByteArray(R"({"mode":"normal","pid":4242})") << 0.0;
    }
    void liveProcessIsAdopted()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, startedAt);
        StoreFixture f;
        f.fake.keepAwake.alive.insert(4242);
        writeFile(f.store->stateFile, bytes);
        f.store->reconnectIfPossible();
        const double expected = startedAt > 0 ? startedAt : f.fake.clock.now();
        QCOMPARE(f.store->mode, AwakeMode::normal);
        QCOMPARE(f.store->pid, std::optional<qint32>(4242));
        QVERIFY(f.store->isActive());
        QVERIFY(!f.store->process);
        QCOMPARE(f.store->startedAt, std::optional(expected));
        QCOMPARE(decodeState(f.stateFileBytes())->startedAt, std::optional(expected));
        if (startedAt > 0)
            QCOMPARE(f.stateFileBytes(), bytes); // nothing to rewrite
    }

    void adoptedForcedModeStartsItsMachinery()
    {
        StoreFixture f;
        f.fake.keepAwake.alive.insert(4242);
        writeFile(f.store->stateFile,
                  R"({"mode":"forced","pid":4242,"startedAt":1799990000,"previousVolume":44,"previousBrightness":0.7})");
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, AwakeMode::forced);
        QCOMPARE(f.store->previousVolume, std::optional(44));
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, 1);
        QVERIFY(f.store->inputWatchTimer);
        QVERIFY(f.store->forcedStateTimer);
        f.fake.clock.advance(1.1);
        QCOMPARE(f.fake.screens.displaySleeps, 4);

        // The monitor's next tick refreshes instead of starting over.
        f.store->overlayWindows.clear();
        f.store->reconnectIfPossible();
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        QCOMPARE(f.fake.screens.displaySleeps, 4);
    }

    void refreshPausesWhileScreensSleep()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.screenEvents.post(ScreenEvent::didSleep);
        const int zeroRuns = f.fake.sound.zeroBrightnessRuns;
        f.store->reconnectIfPossible();
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, zeroRuns);
        QCOMPARE(f.store->forcedStateTimer, std::nullopt);
    }

    void recordedNormalModeTearsDownForcedLeftovers()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        // Another instance switched the machine to normal mode.
        PersistedState state = f.store->persistedState();
        state.mode = AwakeMode::normal;
        writeFile(f.store->stateFile, encodeState(state));
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, AwakeMode::normal);
        QCOMPARE(f.fake.screens.windowsOpen, 0);
        QCOMPARE(f.store->inputWatchTimer, std::nullopt);
        QCOMPARE(f.store->forcedStateTimer, std::nullopt);
        QCOMPARE(f.store->forcedSleepCommandTimer, std::nullopt);
    }

    void keepAwakeThatHoldsNothingIsReportedOnce_data()
    {
        QTest::addColumn<std::optional<bool>>("holds");
        QTest::addColumn<int>("notices");
        QTest::newRow("nothing held") << std::optional<bool>(false) << 1;
        QTest::newRow("something held") << std::optional<bool>(true) << 0;
        QTest::newRow("never says") << std::optional<bool>() << 0;
    }

    void keepAwakeThatHoldsNothingIsReportedOnce()
    {
        QFETCH(std::optional<bool>, holds);
        QFETCH(int, notices);
        StoreFixture f;
        f.fake.keepAwake.holdsAnything = holds;
        f.store->enable(AwakeMode::normal);
        for (int tick = 0; tick < 3; ++tick)
            f.store->reconnectIfPossible();
        QCOMPARE(f.notices.size(), notices);
        QCOMPARE(f.store->mode, AwakeMode::normal); // the mode is kept: some sleep may still be held off
        // A new process says so anew.
        f.store->enable(AwakeMode::forced);
        f.store->reconnectIfPossible();
        QCOMPARE(f.notices.size(), 2 * notices);
    }

    // The values captured at the start must come back even when the process
    // dies on its own, or the next start captures the muted ones.
    void deadForcedProcessRestoresFirst_data()
    {
        QTest::addColumn<bool>("afterRestart");
        QTest::newRow("started by this run") << false;
        QTest::newRow("adopted after a restart") << true;
    }
    void deadForcedProcessRestoresFirst()
    {
        QFETCH(bool, afterRestart);
        StoreFixture f;
        f.fake.sound.volume = {70, true, 20};
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.2); // muted
        f.fake.sound.brightness = 0.0;
        f.fake.sound.keyboardBrightness = 0.0;
        if (afterRestart) {
            f.store = std::make_unique<StateStore>(f.fake.platform());
            f.store->reconnectIfPossible();
        }
        f.fake.keepAwake.alive.clear();
        f.fake.calls.clear();
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, AwakeMode::off);
        QCOMPARE(f.fake.callsStartingWith("sound.set"),
                 (QStringList{"sound.setOutputVolume 70", "sound.setAlertVolume 20", "sound.setOutputMuted true",
                              "sound.setBrightness 0.62", "sound.setKeyboardBrightness 0.55"}));
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));

        f.fake.calls.clear();
        f.store->reconnectIfPossible(); // nothing left to restore
        QVERIFY(f.fake.callsStartingWith("sound.set").isEmpty());
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.store->previousVolume, std::optional(70));
        QCOMPARE(f.store->previousBrightness, std::optional(0.62));
    }

    // A state file that could not be written must not end what this run started.
    void failedStateWriteKeepsTheLiveChild_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::newRow("normal") << false;
        QTest::newRow("forced") << true;
    }
    void failedStateWriteKeepsTheLiveChild()
    {
        QFETCH(bool, forced);
        const AwakeMode requested = forced ? AwakeMode::forced : AwakeMode::normal;
        StoreFixture f;
        f.store->reconnectIfPossible();
        {
            const FileSizeLimit full(8);
            f.store->enable(requested);
        }
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
        const auto pid = f.store->pid;
        f.fake.clock.advance(1);
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, requested);
        QCOMPARE(f.store->pid, pid);
        QVERIFY(f.store->isActive());
        QVERIFY(f.fake.keepAwake.waitedFor.empty());
        // The next tick with room on the disk writes what the store holds.
        QCOMPARE(decodeState(f.stateFileBytes()), std::optional(f.store->persistedState()));
        QCOMPARE(f.store->previousVolume.has_value(), forced);
    }

    void goneProcessCancelsTheScheduledStop()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.store->scheduleAutoDisable(60);
        f.fake.keepAwake.alive.clear();
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, AwakeMode::off);
        QVERIFY(!f.store->hasScheduledStop());
        QCOMPARE(f.fake.screens.windowsOpen, 0);
        QCOMPARE(f.fake.screens.cursorShows, 1);
        QVERIFY(f.notices.isEmpty());
        QCOMPARE(f.history().size(), size_t(1));
    }
};

QTEST_GUILESS_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
