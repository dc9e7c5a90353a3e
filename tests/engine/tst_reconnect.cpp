#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(launcher::AwakeMode)
Q_DECLARE_METATYPE(launcher::KeepAwakeCoverage)

class ReconnectTest : public QObject {
    Q_OBJECT
private slots:
    // A live child is adopted as it is, a missing start time becomes now,
    // and a stop ends it by signal. Anything else counts as off and is never
    // signalled: a kill of 0 or -1 reaches far more than one process.
    void recordedProcessIsAdoptedOnlyWhenAlive_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<double>("startedAt"); // -1: not adopted, 0: the time of adoption
        QTest::newRow("with start") << QByteArray(R"({"mode":"normal","pid":4242,"startedAt":1799990000.5})")
                                    << 1799990000.5;
        QTest::newRow("without start") << QByteArray(R"({"mode":"normal","pid":4242})") << 0.0;
        QTest::newRow("dead pid") << QByteArray(R"({"mode":"normal","pid":9999,"startedAt":1799990000})") << -1.0;
        QTest::newRow("zero pid") << QByteArray(R"({"mode":"normal","pid":0})") << -1.0;
        QTest::newRow("negative pid") << QByteArray(R"({"mode":"normal","pid":-1})") << -1.0;
    }
    void recordedProcessIsAdoptedOnlyWhenAlive()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(double, startedAt);
        StoreFixture f;
        f.fake.keepAwake.alive = {4242, 0, -1};
        writeFile(f.store->stateFile(), bytes);
        f.store->reconnectIfPossible();
        const bool adopted = startedAt >= 0;
        QCOMPARE(f.store->mode(), adopted ? AwakeMode::normal : AwakeMode::off);
        QCOMPARE(decodeState(f.stateFileBytes())->startedAt,
                 adopted ? std::optional(startedAt > 0 ? startedAt : f.fake.clock.now()) : std::nullopt);
        QVERIFY(!QFile::exists(f.store->historyFile()));

        f.store->disable(DisableReason::manual, true);
        QCOMPARE(f.fake.keepAwake.terminated, adopted ? std::vector<qint32>{4242} : std::vector<qint32>{});
    }

    void adoptedForcedModeStartsItsMachinery()
    {
        StoreFixture f;
        f.fake.keepAwake.alive.insert(4242);
        writeFile(f.store->stateFile(), R"({"mode":"forced","pid":4242,"startedAt":1799990000})");
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode(), AwakeMode::forced);
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        QVERIFY(f.fake.input.watching);
        f.fake.clock.advance(1.1);
        QCOMPARE(f.fake.screens.displaySleeps, 4);

        // The monitor's next tick refreshes instead of starting over.
        const int zeroRuns = f.fake.sound.zeroBrightnessRuns;
        f.store->reconnectIfPossible();
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, zeroRuns + 1);
        f.fake.clock.advance(1.1);
        QCOMPARE(f.fake.screens.displaySleeps, 4);

        // Another instance recorded normal mode: the forced machinery goes.
        writeFile(f.store->stateFile(), R"({"mode":"normal","pid":4242,"startedAt":1799990000})");
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode(), AwakeMode::normal);
        QCOMPARE(f.fake.screens.windowsOpen, 0);
        QVERIFY(!f.fake.input.watching);
    }

    // Said once per process, only once the process has said what it holds,
    // and only for what the mode needs: forced mode lets the display sleep.
    void keepAwakeThatFallsShortIsReportedOnce_data()
    {
        QTest::addColumn<AwakeMode>("mode");
        QTest::addColumn<KeepAwakeCoverage>("coverage");
        QTest::addColumn<QString>("notice"); // empty: none
        const QString sleeps = "Computer may still sleep";
        const QString blanks = "Screen may still turn off";
        QTest::newRow("normal, all held") << AwakeMode::normal << KeepAwakeCoverage{true, true} << QString();
        QTest::newRow("normal, nothing") << AwakeMode::normal << KeepAwakeCoverage{} << sleeps;
        QTest::newRow("normal, no display") << AwakeMode::normal << KeepAwakeCoverage{true, false} << blanks;
        QTest::newRow("normal, no sleep") << AwakeMode::normal << KeepAwakeCoverage{false, true} << sleeps;
        QTest::newRow("forced, sleep held") << AwakeMode::forced << KeepAwakeCoverage{true, false} << QString();
        QTest::newRow("forced, nothing") << AwakeMode::forced << KeepAwakeCoverage{} << sleeps;
    }
    void keepAwakeThatFallsShortIsReportedOnce()
    {
        QFETCH(AwakeMode, mode);
        QFETCH(KeepAwakeCoverage, coverage);
        QFETCH(QString, notice);
        StoreFixture f;
        f.store->changePreferences([&](Preferences& p) { p.language = AppLanguage::english; });
        f.store->enable(mode);
        f.store->reconnectIfPossible();
        QVERIFY(f.notices.isEmpty()); // not said yet
        f.fake.keepAwake.coverage = coverage;
        for (int tick = 0; tick < 3; ++tick)
            f.store->reconnectIfPossible();
        QCOMPARE(f.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
        QCOMPARE(f.store->mode(), mode); // the mode is kept: some of it may still be held
        f.store->disable(DisableReason::manual, false);
        f.store->enable(mode);
        f.store->reconnectIfPossible();
        QCOMPARE(f.notices.size(), notice.isEmpty() ? 0 : 2); // a new process says it anew
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
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode(), AwakeMode::off);
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
        QCOMPARE(f.fake.screens.windowsOpen, 0);
        QVERIFY(!f.store->hasScheduledStop());
        QCOMPARE(f.history().size(), size_t(1));
        QVERIFY(f.notices.isEmpty());

        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.store->persistedState().previousVolume, std::optional(70));
        QCOMPARE(f.store->persistedState().previousBrightness, std::optional(0.62));
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
        const auto pid = f.store->pid();
        f.fake.clock.advance(1);
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->mode(), AwakeMode::forced);
        QCOMPARE(f.store->pid(), pid);
        QVERIFY(f.store->isActive());
        // The next tick with room on the disk writes what the store holds.
        QCOMPARE(decodeState(f.stateFileBytes()), std::optional(f.store->persistedState()));
        QVERIFY(f.store->persistedState().previousVolume);
    }
};

QTEST_GUILESS_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
