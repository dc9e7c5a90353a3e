#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class ForcedModeTest : public QObject {
    Q_OBJECT
private slots:
    void blacksOutEveryScreenAndHidesTheCursorOnce_data()
    {
        QTest::addColumn<int>("screens");
        QTest::newRow("three") << 3;
        QTest::newRow("none") << 0;
    }
    void blacksOutEveryScreenAndHidesTheCursorOnce()
    {
        QFETCH(int, screens);
        StoreFixture f;
        f.fake.screens.screenCount = screens;
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.fake.screens.windowsOpen, screens);
        QCOMPARE(f.store->overlayWindows.size(), size_t(screens));
        f.store->showBlackout(); // already shown: nothing new
        QCOMPARE(f.fake.screens.windowsCreated, screens);
        QCOMPARE(f.fake.screens.cursorHides, 1);
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, 1);
        f.store->disable(DisableReason::manual, false);
        f.fake.clock.advance(0.2);
        QCOMPARE(f.fake.screens.cursorShows, 1);
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
        QCOMPARE(sleepsAt(0.49), 1);
        QCOMPARE(sleepsAt(0.51), 2);
        QCOMPARE(sleepsAt(0.76), 3);
        QCOMPARE(sleepsAt(1.01), 4);
        QCOMPARE(sleepsAt(10), 4);
        QCOMPARE(f.store->forcedSleepCommandTimer, std::nullopt);
    }

    void stabiliserAndEnforcementKeepTheScreenDark()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        QVERIFY(f.store->forcedStateTimer);
        QCOMPARE(f.fake.clock.intervalOf(*f.store->forcedStateTimer), 1.2);
        QVERIFY(f.fake.clock.isRepeating(*f.store->forcedStateTimer));
        QVERIFY(f.store->forcedStabilizerTimer);
        QCOMPARE(f.fake.clock.intervalOf(*f.store->forcedStabilizerTimer), 0.55);

        // Someone closes our windows; the next tick brings them back.
        f.fake.clock.advance(1.1);
        f.store->overlayWindows.clear();
        const int zeroRuns = f.fake.sound.zeroBrightnessRuns;
        f.fake.clock.advance(0.11);
        QCOMPARE(f.store->overlayWindows.size(), size_t(2));
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, zeroRuns + 1);
        f.fake.clock.advance(1.2 * 5);
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, zeroRuns + 6);
    }

    void screensAsleepStopsTheRepetition()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.3);
        QCOMPARE(f.fake.screens.displaySleeps, 1);
        f.fake.screenEvents.post(ScreenEvent::didSleep);
        QVERIFY(f.store->hasObservedDisplaySleep);
        QCOMPARE(f.store->forcedStateTimer, std::nullopt);
        QCOMPARE(f.store->forcedSleepCommandTimer, std::nullopt);
        QCOMPARE(f.store->forcedSleepAttemptCount, 0);
        const int zeroRuns = f.fake.sound.zeroBrightnessRuns;
        const int inputReadings = f.fake.input.readings;
        f.fake.clock.advance(30);
        QCOMPARE(f.fake.screens.displaySleeps, 1);
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, zeroRuns);
        QCOMPARE(f.fake.input.readings, inputReadings); // polls pause while asleep
        QCOMPARE(f.store->overlayWindows.size(), size_t(2));
        QCOMPARE(f.store->mode, AwakeMode::forced);

        f.fake.screenEvents.post(ScreenEvent::didWake);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QVERIFY(f.history().back().note.startsWith("检测到鼠标/键盘，自动恢复正常模式；"));
    }

    void screenEventsOutOfTurnChangeNothing()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.3);
        f.fake.screenEvents.post(ScreenEvent::didWake); // before any sleep
        QCOMPARE(f.store->mode, AwakeMode::forced);
        QVERIFY(f.store->forcedStateTimer);

        f.store->enable(AwakeMode::normal);
        f.fake.screenEvents.post(ScreenEvent::didSleep);
        QVERIFY(!f.store->hasObservedDisplaySleep);
        f.fake.screenEvents.post(ScreenEvent::didWake);
        QCOMPARE(f.store->mode, AwakeMode::normal);
    }

    void stopRemovesTheBlackoutAMomentLater()
    {
        StoreFixture f;
        QVERIFY(!f.fake.input.watching && !f.fake.screenEvents.watching);
        f.store->enable(AwakeMode::forced);
        // Input and screen sleep are watched only while forced mode is armed.
        QVERIFY(f.fake.input.watching && f.fake.screenEvents.watching);
        f.fake.clock.advance(2);
        f.store->disable(DisableReason::manual, true);
        QVERIFY(!f.fake.input.watching && !f.fake.screenEvents.watching);
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        QCOMPARE(f.fake.clock.pendingTimers(), 1); // only the removal is left
        f.fake.clock.advance(0.13);
        QCOMPARE(f.fake.screens.windowsOpen, 2);
        f.fake.clock.advance(0.02);
        QCOMPARE(f.fake.screens.windowsOpen, 0);
        QCOMPARE(f.fake.screens.cursorShows, 1);
        QVERIFY(!f.store->cursorHidden);
        QVERIFY(f.fake.screens.displaySettingRestores >= 1);
        QCOMPARE(f.fake.clock.pendingTimers(), 0);
    }

    void reinforceRestartsTheSeriesOnlyInForcedMode()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        f.store->reinforceForcedStart();
        QCOMPARE(f.fake.clock.pendingTimers(), 0);

        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(1.1);
        QCOMPARE(f.fake.screens.displaySleeps, 4);
        f.store->hasObservedDisplaySleep = true;
        f.store->reinforceForcedStart();
        QVERIFY(!f.store->hasObservedDisplaySleep);
        QCOMPARE(f.store->forcedSleepAttemptCount, 1);
        f.fake.clock.advance(1.1);
        QCOMPARE(f.fake.screens.displaySleeps, 8);
    }

    void selfTestModeTouchesNothing()
    {
        StoreFixture f(true);
        QVERIFY(f.store->isSelfTestMode);
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.3);
        QVERIFY(f.store->hasObservedDisplaySleep);
        f.fake.clock.advance(5);
        QCOMPARE(f.store->previousVolume, std::optional(35));
        QCOMPARE(f.store->previousBrightness, std::optional(0.62));
        QCOMPARE(f.store->previousKeyboardBrightness, std::optional(0.55));
        f.store->disable(DisableReason::manual, false);
        f.fake.clock.advance(1);
        QCOMPARE(f.fake.screens.windowsCreated, 0);
        QCOMPARE(f.fake.screens.cursorHides, 0);
        QCOMPARE(f.fake.screens.displaySleeps, 0);
        QVERIFY2(f.fake.callsStartingWith("sound.").isEmpty(), qPrintable(f.fake.calls.join(", ")));
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1));
    }

    void selfTestSwitchNeedsExactlyOne()
    {
        for (const char* value : {"true", "01", "", " 1"}) {
            FakePlatform fake;
            fake.environment.variables.insert("PELVANE_TEST_MODE", value);
            QVERIFY(!StateStore(fake.platform()).isSelfTestMode);
        }
    }

    void timersOfAGoneStoreDoNothing()
    {
        FakePlatform fake;
        {
            StateStore store(fake.platform());
            store.enable(AwakeMode::forced);
            store.scheduleAutoDisable(5);
            QCOMPARE(fake.screenEvents.observerCount(), 2);
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
