#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class ReconnectTest : public QObject {
    Q_OBJECT
private slots:
    // Never adopted, and never signalled: a kill of 0 or -1 reaches far more than one process.
    void unusableRecordCountsAsOff_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("dead pid") << QByteArray(R"({"mode":"normal","pid":9999,"startedAt":1799990000})");
        QTest::newRow("zero pid") << QByteArray(R"({"mode":"normal","pid":0})");
        QTest::newRow("negative pid") << QByteArray(R"({"mode":"normal","pid":-1})");
    }
    void unusableRecordCountsAsOff()
    {
        QFETCH(QByteArray, bytes);
        StoreFixture f;
        f.fake.keepAwake.alive = {0, -1};
        writeFile(f.store->stateFile, bytes);
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, AwakeMode::off);
        QVERIFY(!f.store->isActive());
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
        f.store->disable(DisableReason::manual, false);
        QVERIFY(f.fake.keepAwake.terminated.empty());
    }

    // A live child is adopted as it is, a missing start time becomes now, and
    // a stop ends it by signal.
    void liveProcessIsAdoptedAndStopped_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("startedAt"); // 0: the time of adoption
        QTest::newRow("with start") << QByteArray(R"({"mode":"normal","pid":4242,"startedAt":1799990000.5})")
                                    << 1799990000.5;
        QTest::newRow("without start") << QByteArray(R"({"mode":"normal","pid":4242})") << 0.0;
    }
    void liveProcessIsAdoptedAndStopped()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, startedAt);
        StoreFixture f;
        f.fake.keepAwake.alive.insert(4242);
        writeFile(f.store->stateFile, bytes);
        f.store->reconnectIfPossible();
        const double expected = startedAt > 0 ? startedAt : f.fake.clock.now();
        QCOMPARE(f.store->mode, AwakeMode::normal);
        QVERIFY(f.store->isActive());
        QCOMPARE(decodeState(f.stateFileBytes())->startedAt, std::optional(expected));
        QVERIFY(!QFile::exists(f.store->historyFile));

        f.store->disable(DisableReason::manual, true);
        QCOMPARE(f.fake.keepAwake.terminated, std::vector<qint32>{4242});
    }

    void adoptedForcedModeStartsItsMachinery()
    {
        StoreFixture f;
        f.fake.keepAwake.alive.insert(4242);
        writeFile(f.store->stateFile, R"({"mode":"forced","pid":4242,"startedAt":1799990000})");
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, AwakeMode::forced);
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        QVERIFY(f.fake.input.watching);
        f.fake.clock.advance(1.1);
        QCOMPARE(f.fake.screens.displaySleeps, 4);

        // The monitor's next tick refreshes instead of starting over.
        f.store->overlayWindows.clear();
        f.store->reconnectIfPossible();
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        QCOMPARE(f.fake.screens.displaySleeps, 4);

        // Another instance recorded normal mode: the forced machinery goes.
        writeFile(f.store->stateFile, R"({"mode":"normal","pid":4242,"startedAt":1799990000})");
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, AwakeMode::normal);
        QCOMPARE(f.fake.screens.windowsOpen, 0);
        QVERIFY(!f.fake.input.watching);
    }

    void keepAwakeThatHoldsNothingIsReportedOnce_data()
    {
        QTest::addColumn<std::optional<bool>>("holds");
        QTest::addColumn<int>("notices");
        QTest::newRow("nothing held") << std::optional<bool>(false) << 1;
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
        f.store->enable(AwakeMode::forced); // a new process says so anew
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
        f.store->scheduleAutoDisable(60);
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
        QCOMPARE(f.fake.screens.windowsOpen, 0);
        QCOMPARE(f.fake.screens.cursorShows, 1);
        QVERIFY(!f.store->hasScheduledStop());
        QCOMPARE(f.history().size(), size_t(1));
        QVERIFY(f.notices.isEmpty());

        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.store->previousVolume, std::optional(70));
        QCOMPARE(f.store->previousBrightness, std::optional(0.62));
    }

    // A state file that could not be written must not end what this run started.
    void failedStateWriteKeepsTheLiveChild()
    {
        StoreFixture f;
        f.store->reconnectIfPossible();
        {
            const FileSizeLimit full(8);
            f.store->enable(AwakeMode::forced);
        }
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
        const auto pid = f.store->pid;
        f.fake.clock.advance(1);
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode, AwakeMode::forced);
        QCOMPARE(f.store->pid, pid);
        QVERIFY(f.store->isActive());
        // The next tick with room on the disk writes what the store holds.
        QCOMPARE(decodeState(f.stateFileBytes()), std::optional(f.store->persistedState()));
        QVERIFY(f.store->previousVolume);
    }
};

QTEST_GUILESS_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
