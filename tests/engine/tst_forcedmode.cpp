#include "engine/Constants.h"
#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class ForcedModeTest : public QObject {
    Q_OBJECT
private slots:
    // Kept up while it lasts (other software may undo any of it), undone a
    // moment after the stop so the restored brightness is not seen flashing.
    void blackoutLifetime()
    {
        StoreFixture f;
        f.fake.screens.screenCount = 3;
        f.store->enable(AwakeMode::forced);
        f.store->showBlackout(); // already shown: nothing new
        QCOMPARE(f.fake.screens.windowsCreated, 3);
        QCOMPARE(f.fake.screens.cursorHides, 1);
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, 1);
        // Input and screen sleep are watched only while forced mode is armed.
        QVERIFY(f.fake.input.watching && f.fake.screenEvents.watching);

        f.fake.clock.advance(1.1);
        f.store->overlayWindows.clear(); // someone closed our windows
        const int zeroRuns = f.fake.sound.zeroBrightnessRuns;
        f.fake.clock.advance(0.11);
        QCOMPARE(f.fake.screens.windowsOpen, 3);
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, zeroRuns + 1);
        f.fake.clock.advance(1.2 * 5);
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, zeroRuns + 6);

        f.store->disable(DisableReason::manual, true);
        QVERIFY(!f.fake.input.watching && !f.fake.screenEvents.watching);
        QCOMPARE(f.fake.clock.pendingTimers(), 1); // only the removal is left
        f.fake.clock.advance(0.13);
        QCOMPARE(f.fake.screens.windowsOpen, 3);
        f.fake.clock.advance(0.02);
        QCOMPARE(f.fake.screens.windowsOpen, 0);
        QCOMPARE(f.fake.screens.cursorShows, 1);
        QVERIFY(f.fake.screens.displaySettingRestores >= 1);
        QCOMPARE(f.fake.clock.pendingTimers(), 0);
    }

    void displaySleepSeriesOfFour()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        const auto sleepsAt = [&f](double t) {
            f.fake.clock.advance(t - (f.fake.clock.now() - *f.store->startedAt));
            return f.fake.screens.displaySleeps;
        };
        QCOMPARE(sleepsAt(0.24), 0);
        QCOMPARE(sleepsAt(0.26), 1);
        QCOMPARE(sleepsAt(0.51), 2);
        QCOMPARE(sleepsAt(1.01), 4);
        QCOMPARE(sleepsAt(10), 4);

        // Forced activation's later checks start the series over.
        f.store->reinforceForcedStart();
        f.fake.clock.advance(1.1);
        QCOMPARE(f.fake.screens.displaySleeps, 8);
    }

    // Once the screens are asleep nothing is repeated; their waking ends the mode.
    void screensAsleepStopTheRepetitionUntilTheyWake()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.3);
        f.fake.screenEvents.post(ScreenEvent::didWake); // before any sleep
        QCOMPARE(f.store->mode, AwakeMode::forced);
        f.fake.screenEvents.post(ScreenEvent::didSleep);
        const int zeroRuns = f.fake.sound.zeroBrightnessRuns;
        const int inputReadings = f.fake.input.readings;
        f.fake.clock.advance(30);
        f.store->reconnectIfPossible(); // the monitor's tick
        QCOMPARE(f.fake.screens.displaySleeps, 1);
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, zeroRuns);
        QCOMPARE(f.fake.input.readings, inputReadings); // polls pause while asleep
        QCOMPARE(f.store->overlayWindows.size(), size_t(2));
        QCOMPARE(f.store->mode, AwakeMode::forced);

        f.fake.screenEvents.post(ScreenEvent::didWake);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QVERIFY(f.history().back().note.startsWith("检测到鼠标/键盘，自动恢复正常模式；"));
    }

    // The input that started the mode may wake the screens at once; within
    // the grace period they are put back to sleep and the mode goes on.
    void screensWokenWithinTheGraceSleepAgain()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.3);
        f.fake.screenEvents.post(ScreenEvent::didSleep);
        f.fake.clock.advance(1.0);
        f.fake.input.touch(WakeEventType::keyDown);
        f.fake.screenEvents.post(ScreenEvent::didWake);
        QCOMPARE(f.store->mode, AwakeMode::forced);
        QVERIFY(!f.store->hasObservedDisplaySleep);
        const int sleeps = f.fake.screens.displaySleeps;
        f.fake.clock.advance(0.26);
        QCOMPARE(f.fake.screens.displaySleeps, sleeps + 1);
        f.fake.screenEvents.post(ScreenEvent::didSleep);
        f.fake.clock.advance(3.0); // past the grace, asleep and untouched
        QCOMPARE(f.store->mode, AwakeMode::forced);
        f.fake.screenEvents.post(ScreenEvent::didWake);
        QCOMPARE(f.store->mode, AwakeMode::off);
    }

    void testModeTouchesNothing()
    {
        StoreFixture f(true);
        QVERIFY(f.chosen->active());
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1)); // the keep-awake process is real
        QCOMPARE(f.store->previousVolume, std::optional<int>(35));
        QCOMPARE(f.store->previousBrightness, std::optional<double>(0.62));
        QCOMPARE(f.store->previousKeyboardBrightness, std::optional<double>(0.55));
        f.fake.clock.advance(0.25);
        // The first display-sleep command counts as the displays asleep.
        QVERIFY(f.store->hasObservedDisplaySleep);
        QCOMPARE(f.chosen->screens.requests.count("sleepDisplaysNow"), 1);
        f.fake.clock.advance(5);
        QCOMPARE(f.store->mode, AwakeMode::forced);
        QVERIFY(f.chosen->sound.requests.contains("muteAll"));
        // The real screens' waking still ends the mode.
        f.fake.screenEvents.post(ScreenEvent::didWake);
        QCOMPARE(f.store->mode, AwakeMode::off);
        f.fake.clock.advance(1);
        QCOMPARE(f.fake.screens.windowsCreated, 0);
        QCOMPARE(f.fake.screens.cursorHides, 0);
        QCOMPARE(f.fake.screens.displaySleeps, 0);
        QVERIFY2(f.fake.callsStartingWith("sound.").isEmpty(), qPrintable(f.fake.calls.join(", ")));
        QVERIFY(f.chosen->sound.requests.contains("setOutputMuted false"));
    }

    // Only the exact value "1" chooses the inert parts.
    void testModeNeedsTheExactValue_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("true") << "true";
        QTest::newRow("01") << "01";
        QTest::newRow("empty") << "";
    }
    void testModeNeedsTheExactValue()
    {
        QFETCH(QString, value);
        FakePlatform fake;
        fake.environment.variables.insert(QStringLiteral("PELVANE_TEST_MODE"), value);
        TestModeParts chosen(fake.platform());
        QVERIFY(!chosen.active());
        StateStore store(chosen.platform());
        store.enable(AwakeMode::forced);
        fake.clock.advance(0.3);
        QCOMPARE(fake.screens.windowsCreated, 2);
        QCOMPARE(fake.screens.displaySleeps, 1);
        QVERIFY(chosen.screens.requests.isEmpty());
    }

    void timersOfAGoneStoreDoNothing()
    {
        FakePlatform fake;
        {
            StateStore store(fake.platform());
            store.enable(AwakeMode::forced);
            store.scheduleAutoDisable(5);
        }
        QCOMPARE(fake.screenEvents.observerCount(), 0);
        const int sleeps = fake.screens.displaySleeps;
        fake.clock.advance(10); // the delayed mute is still queued
        QCOMPARE(fake.screens.displaySleeps, sleeps);
        QVERIFY(fake.callsStartingWith("sound.muteAll").isEmpty());
    }

    // --- wake-input watch

    // Input in the first seconds is the hand leaving the mouse. Later any
    // type ends the mode, but idle ages jitter a little between polls: only
    // a drop of more than 0.05 s is input.
    void inputEndsTheModeAfterTheGrace_data()
    {
        QTest::addColumn<int>("type");
        for (WakeEventType type : wakeEventTypes)
            QTest::newRow(QByteArray::number(int(type))) << int(type);
    }
    void inputEndsTheModeAfterTheGrace()
    {
        QFETCH(int, type);
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        const double t0 = *f.store->forcedArmedAt;
        f.fake.clock.advance(1.0);
        f.fake.input.touch(WakeEventType(type));
        f.fake.clock.advance(3.0); // polled at 4.0: age 3.0
        f.fake.input.touchAt(WakeEventType(type), t0 + 1.24);
        f.fake.clock.advance(0.2); // age 2.96, 0.04 less
        QCOMPARE(f.store->mode, AwakeMode::forced);
        f.fake.input.touchAt(WakeEventType(type), t0 + 1.5);
        f.fake.clock.advance(0.2); // age 2.9, 0.06 less
        QCOMPARE(f.store->mode, AwakeMode::off);
        QCOMPARE(f.notices.size(), 1);
        QVERIFY(f.notices[0].startsWith("检测到鼠标或键盘，已恢复正常界面 · "));
        QVERIFY(f.history().back().note.startsWith("检测到鼠标/键盘，自动恢复正常模式；"));
    }

    // Where the desktop cannot turn the displays off, forced mode still
    // covers and ends on input, and says so once per run, not at each start.
    void displaysThatCannotSleepAreToldOnce()
    {
        StoreFixture f;
        f.store->changePreferences([](Preferences& p) { p.language = AppLanguage::english; });
        f.fake.screens.canSleep = false;
        f.store->enable(AwakeMode::normal);
        QVERIFY(f.notices.isEmpty());
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.notices, QStringList{"This desktop does not let Pelvane turn the displays off"});
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        f.fake.clock.advance(1.0);
        f.store->reinforceForcedStart();
        f.fake.clock.advance(3.0);
        f.fake.input.touch(WakeEventType::keyDown);
        f.fake.clock.advance(0.2);
        QCOMPARE(f.store->mode, AwakeMode::off);
        f.notices.clear();
        f.store->enable(AwakeMode::forced);
        QVERIFY(f.notices.isEmpty());
    }

    void displaysThatCanSleepAreNotMentioned()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        QVERIFY(f.notices.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ForcedModeTest)
#include "tst_forcedmode.moc"
