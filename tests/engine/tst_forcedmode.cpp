#include "engine/ForcedModeMachinery.h"
#include "engine/WakeInputWatch.h"
#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

struct Machinery {
    FakePlatform fake;
    bool forced = true;
    bool alive = true;
    ForcedModeMachinery m{fake.clock, fake.screens, fake.sound, [this] { return forced; }, [this] { return alive; }};
};

struct Watch {
    FakePlatform fake;
    int polls = 0;
    WakeInputWatch watch{fake.clock, fake.input, fake.screenEvents, [this] { ++polls; }};
};

} // namespace

class ForcedModeTest : public QObject {
    Q_OBJECT
private slots:
    // --- the machinery

    // Kept up while it lasts, whatever undid it, until the screens sleep;
    // then nothing repeats, and the blackout stays. Windows are made once
    // per showing, and the cursor hidden and shown with them.
    void repeatedUntilTheScreensSleep()
    {
        Machinery r;
        r.m.begin();
        r.m.showBlackout();
        QCOMPARE(r.fake.screens.windowsCreated, 2);
        QCOMPARE(r.fake.sound.zeroBrightnessRuns, 1);
        r.fake.clock.advance(1.1);
        r.m.hideBlackout();
        r.m.hideBlackout();
        QCOMPARE(r.fake.screens.cursorShows, 1);
        QCOMPARE(r.fake.screens.displaySettingRestores, 2); // whatever display sleep changed
        const int zeroRuns = r.fake.sound.zeroBrightnessRuns;
        r.fake.clock.advance(0.11);
        QCOMPARE(r.fake.screens.windowsOpen, 2);
        QCOMPARE(r.fake.screens.cursorHides, 2);
        r.fake.clock.advance(1.2 * 5);
        QCOMPARE(r.fake.sound.zeroBrightnessRuns, zeroRuns + 6);

        r.m.displaysDidSleep();
        r.m.reapply();
        QCOMPARE(r.fake.clock.pendingTimers(), 0);
        QCOMPARE(r.fake.screens.windowsOpen, 2);
        QVERIFY(!r.m.isIdle());

        r.m.hideBlackout(); // with no screen attached the cursor is hidden all the same
        r.fake.screens.screenCount = 0;
        r.m.showBlackout();
        QCOMPARE(r.fake.screens.cursorHides, 3);
    }

    void displaySleepCommandsInASeriesOfFour()
    {
        Machinery r;
        r.m.begin();
        const auto sleepsAt = [&r, t0 = r.fake.clock.now()](double t) {
            r.fake.clock.advance(t0 + t - r.fake.clock.now());
            return r.fake.screens.displaySleeps;
        };
        QCOMPARE(sleepsAt(0.24), 0);
        QCOMPARE(sleepsAt(0.26), 1);
        QCOMPARE(sleepsAt(0.51), 2);
        QCOMPARE(sleepsAt(1.01), 4);
        QCOMPARE(sleepsAt(10), 4);

        // A new start is a new series, cut short once the screens are seen asleep.
        r.m.begin();
        QCOMPARE(sleepsAt(10.3), 5);
        r.m.displaysDidSleep();
        QCOMPARE(sleepsAt(12), 5);

        // Out of forced mode a pending command does nothing and none follows.
        r.m.hideBlackout();
        r.forced = false;
        r.m.begin();
        QCOMPARE(sleepsAt(14), 5);
        QCOMPARE(r.m.sleepAttemptCount(), 1);
        QCOMPARE(r.fake.screens.windowsOpen, 0);
    }

    // 0.55 s after a start forced mode is applied once more, unless the
    // keep-awake process died or the machinery was disarmed meanwhile (the
    // mode and the screens' sleep are asked as by the series above).
    void stabilizer()
    {
        for (const char* meanwhile : {"", "died", "disarmed"}) {
            Machinery r;
            r.m.begin();
            r.fake.clock.advance(0.52);
            r.alive = meanwhile != std::string_view("died");
            if (meanwhile == std::string_view("disarmed"))
                r.m.disarm();
            const int zeroRuns = r.fake.sound.zeroBrightnessRuns;
            r.fake.clock.advance(0.04);
            QCOMPARE(r.fake.sound.zeroBrightnessRuns - zeroRuns, *meanwhile ? 0 : 1);
        }
    }

    // --- the wake-input watch

    // Input in the first seconds is the hand leaving the mouse, and is taken
    // in then, so it does not count later either. Afterwards any type counts,
    // but idle ages jitter a little between readings: only a drop of more
    // than 0.05 s is input.
    void inputCountsAfterTheGrace_data()
    {
        QTest::addColumn<int>("type");
        for (WakeEventType type : wakeEventTypes)
            QTest::newRow(QByteArray::number(int(type))) << int(type);
    }
    void inputCountsAfterTheGrace()
    {
        QFETCH(int, type);
        Watch w;
        w.watch.start();
        const double t0 = w.fake.clock.now();
        const auto inputAt = [&w, t0](double t) {
            w.fake.clock.advance(t0 + t - w.fake.clock.now());
            return w.watch.inputSincePreviousReading();
        };
        w.fake.input.touchAt(WakeEventType(type), t0 + 3.0);
        QVERIFY(!inputAt(3.45)); // within the grace
        w.watch.start(); // armed already: the grace goes on
        QVERIFY(!inputAt(3.65)); // the same input, older
        w.fake.input.touchAt(WakeEventType(type), t0 + 3.24);
        QVERIFY(!inputAt(3.85)); // age 0.61, 0.04 less than 0.65
        w.fake.input.touchAt(WakeEventType(type), t0 + 3.5);
        QVERIFY(inputAt(4.05)); // age 0.55, 0.06 less than 0.61
        QVERIFY(!inputAt(4.25));
        QCOMPARE(w.polls, 21);

        // Input and screen sleep cost something to watch on some desktops: only while armed.
        QVERIFY(w.fake.input.watching && w.fake.screenEvents.watching);
        w.watch.stop();
        QVERIFY(!w.fake.input.watching && !w.fake.screenEvents.watching);
        w.fake.clock.advance(1);
        QCOMPARE(w.polls, 21);
    }

    // --- the store's forced mode

    // Armed with the mode, ended by input after the grace; the windows go a
    // moment after the stop so the restored brightness is not seen flashing.
    void inputAfterTheGraceEndsTheMode()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        QVERIFY(f.fake.input.watching);
        f.fake.clock.advance(4.0);
        f.fake.input.touch(WakeEventType::flagsChanged);
        f.fake.clock.advance(0.2);
        QCOMPARE(f.store->mode(), AwakeMode::off);
        QCOMPARE(f.notices.size(), 1);
        QVERIFY(f.notices[0].startsWith("检测到鼠标或键盘，已恢复正常界面 · "));
        QVERIFY(!f.fake.input.watching && !f.fake.screenEvents.watching);
        QCOMPARE(f.fake.clock.pendingTimers(), 1); // only the removal is left
        f.fake.clock.advance(0.13);
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        f.fake.clock.advance(0.02);
        QCOMPARE(f.fake.screens.windowsOpen, 0);
    }

    // Once the screens are asleep nothing is repeated; their waking ends the mode.
    void screensAsleepStopTheRepetitionUntilTheyWake()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        f.fake.screenEvents.post(ScreenEvent::didSleep); // changes nothing outside forced mode
        QVERIFY(!f.store->forcedMachinery().hasObservedDisplaySleep());
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.3);
        f.fake.screenEvents.post(ScreenEvent::didWake); // before any sleep
        QCOMPARE(f.store->mode(), AwakeMode::forced);
        f.fake.screenEvents.post(ScreenEvent::didSleep);
        const int zeroRuns = f.fake.sound.zeroBrightnessRuns;
        const int inputReadings = f.fake.input.readings;
        f.fake.clock.advance(30);
        f.store->reconnectIfPossible(); // the monitor's tick
        QCOMPARE(f.fake.screens.displaySleeps, 1);
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, zeroRuns);
        QCOMPARE(f.fake.input.readings, inputReadings); // polls pause while asleep
        QCOMPARE(f.fake.screens.windowsOpen, 2);

        f.fake.screenEvents.post(ScreenEvent::didWake);
        QCOMPARE(f.store->mode(), AwakeMode::off);
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
        QCOMPARE(f.store->mode(), AwakeMode::forced);
        QVERIFY(!f.store->forcedMachinery().hasObservedDisplaySleep());
        const int sleeps = f.fake.screens.displaySleeps;
        f.fake.clock.advance(0.26);
        QCOMPARE(f.fake.screens.displaySleeps, sleeps + 1);
        f.fake.screenEvents.post(ScreenEvent::didSleep);
        f.fake.clock.advance(3.0); // past the grace, asleep and untouched
        QCOMPARE(f.store->mode(), AwakeMode::forced);
        f.fake.screenEvents.post(ScreenEvent::didWake);
        QCOMPARE(f.store->mode(), AwakeMode::off);
    }

    // Where the desktop cannot turn the displays off, forced mode still
    // covers, and says so once per run, not at each start.
    void displaysThatCannotSleepAreToldOnce()
    {
        StoreFixture f;
        f.store->changePreferences([](Preferences& p) { p.language = AppLanguage::english; });
        f.store->enable(AwakeMode::forced);
        QVERIFY(f.notices.isEmpty()); // these can
        f.store->disable(DisableReason::manual, false);
        f.fake.screens.canSleep = false;
        f.store->enable(AwakeMode::normal);
        QVERIFY(f.notices.isEmpty());
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.notices, QStringList{"This desktop does not let Pelvane turn the displays off"});
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        f.fake.clock.advance(1.0);
        f.store->reinforceForcedStart();
        f.store->disable(DisableReason::manual, false);
        f.notices.clear();
        f.store->enable(AwakeMode::forced);
        QVERIFY(f.notices.isEmpty());
    }

    // Forced activation's later checks start it over, only in forced mode.
    void reinforcedStartIsANewSeries()
    {
        StoreFixture f;
        f.store->reinforceForcedStart();
        QCOMPARE(f.fake.clock.pendingTimers(), 0);
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(1.1);
        f.store->reinforceForcedStart();
        f.fake.clock.advance(1.1);
        QCOMPARE(f.fake.screens.displaySleeps, 8);
        f.store->reinforceForcedStart();
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.clock.pendingTimers(), 1); // the removal: the stabiliser went with the watch
    }

    // The blackout stays a moment after a stop; a start in that moment keeps it.
    void aStartRightAfterAStopKeepsItsBlackout()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(1.1);
        f.store->disable(DisableReason::manual, false);
        f.fake.clock.advance(0.05);
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        f.store->enable(AwakeMode::forced);
        const int restores = f.fake.screens.displaySettingRestores;
        f.fake.clock.advance(0.15); // past the first stop's removal
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        QCOMPARE(f.fake.screens.cursorHides, f.fake.screens.cursorShows + 1);
        QCOMPARE(f.fake.screens.displaySettingRestores, restores);
        f.store->disable(DisableReason::manual, false);
        f.fake.clock.advance(0.2);
        QCOMPARE(f.fake.screens.windowsOpen, 0);
        QCOMPARE(f.fake.screens.cursorHides, f.fake.screens.cursorShows);
    }

    void testModeTouchesNothing()
    {
        StoreFixture f(true);
        QVERIFY(f.chosen->active());
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1)); // the keep-awake process is real
        QCOMPARE(f.store->persistedState().previousBrightness, std::optional(0.62)); // the inert reading
        f.fake.clock.advance(0.25);
        // The first display-sleep command counts as the displays asleep.
        QVERIFY(f.store->forcedMachinery().hasObservedDisplaySleep());
        f.fake.clock.advance(5);
        f.store->reconnectIfPossible(); // the monitor's tick: nothing starts over
        f.fake.clock.advance(1);
        QCOMPARE(f.chosen->screens.requests.count("sleepDisplaysNow"), 1);
        QCOMPARE(f.store->mode(), AwakeMode::forced);
        QVERIFY(f.chosen->sound.requests.contains("muteAll"));
        // The real screens' waking still ends the mode.
        f.fake.screenEvents.post(ScreenEvent::didWake);
        QCOMPARE(f.store->mode(), AwakeMode::off);
        f.fake.clock.advance(1);
        QCOMPARE(f.fake.screens.windowsCreated, 0);
        QCOMPARE(f.fake.screens.cursorHides, 0);
        QCOMPARE(f.fake.screens.displaySleeps, 0);
        QVERIFY2(f.fake.callsStartingWith("sound.").isEmpty(), qPrintable(f.fake.calls.join(", ")));
        QVERIFY(f.chosen->sound.requests.contains("setOutputMuted false"));
    }

    // Only the exact value "1" chooses the inert parts.
    void testModeNeedsTheExactValue()
    {
        for (const char* value : {"true", "01", ""}) {
            FakePlatform fake;
            fake.environment.variables.insert(QStringLiteral("PELVANE_TEST_MODE"), QString::fromLatin1(value));
            TestModeParts chosen(fake.platform());
            QVERIFY(!chosen.active());
            QVERIFY(&chosen.platform().screens == &fake.screens);
        }
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
};

QTEST_GUILESS_MAIN(ForcedModeTest)
#include "tst_forcedmode.moc"
