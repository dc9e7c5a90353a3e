#include "engine/ScheduledStop.h"
#include "engine/SoundAndBrightnessCapture.h"
#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class EnableDisableTest : public QObject {
    Q_OBJECT
private slots:
    // The same conditions before a start and while a mode runs; at the start
    // they are asked in order and the first refusal is given.
    void conditions_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("percent"); // -1: unknown
        QTest::addColumn<bool>("onBattery");
        QTest::addColumn<bool>("onAC");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<bool>("movie");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("stop"); // the notice when a running mode is stopped
        const int bat = int(PowerSourceKind::battery), ac = int(PowerSourceKind::ac), unk = int(PowerSourceKind::unknown);
        const QString low = "当前电量低于最低电量限制", noAC = "当前接通电源，已禁止进入挂机", none;
        QTest::newRow("battery banned before low level") << bat << 5 << false << true << 50 << true
                                                         << "当前是电池供电，已禁止进入挂机"
                                                         << "已切回正常：当前为电池供电，设置禁止继续挂机";
        QTest::newRow("battery at minimum") << bat << 20 << true << true << 20 << false << none << none;
        QTest::newRow("battery low before movie") << bat << 19 << true << true << 20 << true << low
                                                  << "已切回正常：电量已低于最低限制";
        QTest::newRow("battery unknown level") << bat << -1 << true << true << 100 << false << none << none;
        QTest::newRow("battery, ac banned") << bat << 80 << true << false << 0 << false << none << none;
        QTest::newRow("ac banned before movie") << ac << 100 << true << false << 0 << true << noAC
                                                << "已切回正常：当前接通电源，设置禁止继续挂机";
        QTest::newRow("ac ignores battery rules") << ac << 5 << false << true << 50 << false << none << none;
        QTest::newRow("unknown ignores power rules, needs movie")
            << unk << -1 << false << false << 100 << true << "未检测到电影播放器，暂不进入挂机" << none;
    }
    void conditions()
    {
        QFETCH(int, source);
        QFETCH(int, percent);
        QFETCH(bool, onBattery);
        QFETCH(bool, onAC);
        QFETCH(int, minimum);
        QFETCH(bool, movie);
        QFETCH(QString, refusal);
        QFETCH(QString, stop);
        StoreFixture f;
        f.fake.power.snapshot = {PowerSourceKind(source), percent < 0 ? std::nullopt : std::optional(percent)};
        f.store->changePreferences([&](Preferences& p) { p.allowOnBattery = onBattery; });
        f.store->changePreferences([&](Preferences& p) { p.allowOnAC = onAC; });
        f.store->changePreferences([&](Preferences& p) { p.minimumBatteryPercentage = minimum; });
        f.store->changePreferences([&](Preferences& p) { p.requireMoviePlayback = movie; });
        QCOMPARE(f.store->canStartMode().value_or(QString()), refusal);
        QCOMPARE(f.store->currentBatteryTitle(), percent < 0 ? QString("未检测到") : QString::number(percent) + "%");

        f.store->enable(AwakeMode::normal);
        f.store->enforceRuntimePoliciesIfNeeded();
        QCOMPARE(f.store->mode(), stop.isEmpty() ? AwakeMode::normal : AwakeMode::off);
        QCOMPARE(f.notices, stop.isEmpty() ? QStringList{} : QStringList{stop});
        if (!stop.isEmpty())
            QCOMPARE(f.history().back().note, QString("条件不满足，自动恢复正常模式"));
    }

    void movieTestByNameOrVideo()
    {
        StoreFixture f;
        f.store->changePreferences([&](Preferences& p) { p.requireMoviePlayback = true; });
        f.fake.applications.names = {"vlc helper", "QuickTime PLAYER"};
        QCOMPARE(f.store->canStartMode(), std::nullopt);
        f.fake.applications.names = {"vlc helper"}; // contains, but is not, a player's name
        QVERIFY(f.store->canStartMode());
        f.fake.power.videoPlaying = true;
        QCOMPARE(f.store->canStartMode(), std::nullopt);
    }

    // The toast shows the last notice: the reason must come after the estimate.
    void forcedStopNoticeComesBeforeThePolicyNotice()
    {
        StoreFixture f;
        f.fake.power.snapshot = {PowerSourceKind::ac, 100};
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(2);
        f.store->changePreferences([&](Preferences& p) { p.allowOnAC = false; });
        f.store->enforceRuntimePoliciesIfNeeded();
        QCOMPARE(f.notices.size(), 2);
        QVERIFY(f.notices[0].startsWith("按Mac估算"));
        QCOMPARE(f.notices[1], QString("已切回正常：当前接通电源，设置禁止继续挂机"));

        // The monitor asks every second; with nothing running there is nothing to stop.
        f.fake.calls.clear();
        f.store->enforceRuntimePoliciesIfNeeded();
        QVERIFY(f.fake.calls.isEmpty());
    }

    // --- start and stop

    // A switch from one mode to the other ends the old child but logs no stop.
    void startsSwitchesAndRestarts()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        const qint32 normalPid = *f.store->pid();
        f.store->enable(AwakeMode::normal); // running already: nothing new
        f.fake.clock.advance(60);
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.fake.keepAwake.waitedFor, std::vector<qint32>{normalPid});
        QCOMPARE(f.fake.keepAwake.launches, (std::vector<QStringList>{{"-dims"}, {"-i", "-m"}}));
        const double t = f.fake.clock.now();
        QCOMPARE(f.history(), (std::vector<HistoryEntry>{{t - 60, AwakeMode::normal, "enable", "进入挂机"},
                                                         {t, AwakeMode::forced, "enable", "进入强制挂机"}}));

        f.fake.keepAwake.alive.clear(); // died on its own: started anew, without a stop entry
        f.store->enable(AwakeMode::forced);
        QVERIFY(f.store->isActive());
        QCOMPARE(f.history().size(), size_t(3));
        QCOMPARE(f.history()[2].action, QString("enable"));

        // A start that fails says so and leaves the files alone.
        f.store->disable(DisableReason::manual, false);
        f.fake.keepAwake.failLaunches = true;
        f.store->enable(AwakeMode::normal);
        QCOMPARE(f.store->mode(), AwakeMode::off);
        QCOMPARE(f.fake.beep.count, 1);
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
        QCOMPARE(f.history().size(), size_t(3));
    }

    // Muted a moment after the start, never once forced mode is off or unwanted.
    void muteComesLateAndOnlyInForcedMode()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.17);
        QVERIFY(f.fake.callsStartingWith("sound.muteAll").isEmpty());
        f.fake.clock.advance(0.02);
        QCOMPARE(f.fake.callsStartingWith("sound.muteAll").size(), 1);

        f.store->enable(AwakeMode::normal);
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.1);
        f.store->enable(AwakeMode::normal);
        f.fake.clock.advance(0.1);
        f.store->changePreferences([&](Preferences& p) { p.muteInForced = false; });
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(1);
        f.store->changePreferences([&](Preferences& p) { p.muteInForced = true; });
        f.store->enable(AwakeMode::normal);
        f.store->enable(AwakeMode::forced);
        f.store->changePreferences([&](Preferences& p) { p.muteInForced = false; }); // turned off before the mute came
        f.fake.clock.advance(1);
        QCOMPARE(f.fake.callsStartingWith("sound.muteAll").size(), 1);

        // Only forced mode changed the sound: a normal stop must not unmute
        // what the user muted meanwhile.
        f.store->enable(AwakeMode::normal);
        QVERIFY(!decodeState(f.stateFileBytes())->previousVolume);
        f.fake.calls.clear();
        f.store->disable(DisableReason::manual, false);
        QVERIFY(f.fake.callsStartingWith("sound.").isEmpty());
    }

    // The saving estimate comes only after more than a second of forced mode.
    // A user's stop takes a timed one along, silently.
    void stopNotesAndNotices_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::addColumn<bool>("timed");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("notice");
        const QString hour = "按Mac估算，约省电6.20Wh，约省¥0.004";
        QTest::newRow("a second, stopped as enable(off)") << 1.0 << false << "恢复正常模式" << QString();
        QTest::newRow("an hour") << 3600.0 << false << "恢复正常模式；" + hour << hour;
        QTest::newRow("timed") << 600.0 << true << "定时结束，自动恢复正常模式；按Mac估算，约省电1.03Wh，约省¥0.001"
                               << "定时挂机结束，已恢复正常界面 · 按Mac估算，约省电1.03Wh，约省¥0.001";
    }
    void stopNotesAndNotices()
    {
        QFETCH(double, seconds);
        QFETCH(bool, timed);
        QFETCH(QString, note);
        QFETCH(QString, notice);
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.store->scheduleAutoDisable(timed ? seconds : 2 * seconds);
        f.fake.clock.advance(seconds);
        if (!timed)
            f.store->enable(AwakeMode::off);
        QVERIFY(!f.store->hasScheduledStop());
        QCOMPARE(f.store->mode(), AwakeMode::off);
        QCOMPARE(f.history().size(), size_t(2));
        QCOMPARE(f.history().back(), (HistoryEntry{f.fake.clock.now(), AwakeMode::off, "disable", note}));
        QCOMPARE(f.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
    }

    // --- capture and restore of sound and brightness

    // Captured into the state itself, which the state file carries over a
    // restart. Brightness is written back only when off by more than a hundredth.
    void capturedIntoTheStateAndRestored()
    {
        FakePlatform fake;
        PersistedState state{7, AwakeMode::forced, {}, {}, {}, {}, {}, {}};
        SoundAndBrightnessCapture capture(fake.sound, state);
        const auto restored = [&] {
            fake.calls.clear();
            capture.restore();
            return fake.callsStartingWith("sound.");
        };
        fake.sound.volume = {60, true, 40};
        fake.sound.brightness = 0.8;
        fake.sound.keyboardBrightness = 0.3;
        capture.capture();
        QCOMPARE(state, (PersistedState{7, AwakeMode::forced, 60, true, 40, 0.8, 0.3, {}}));
        fake.sound.brightness = 0.78;
        fake.sound.keyboardBrightness = 0.305;
        QCOMPARE(restored(), (QStringList{"sound.setOutputVolume 60", "sound.setAlertVolume 40",
                                          "sound.setOutputMuted true", "sound.readBrightness",
                                          "sound.setBrightness 0.8", "sound.readKeyboardBrightness"}));
        QCOMPARE(state, (PersistedState{7, AwakeMode::forced, {}, {}, {}, {}, {}, {}}));

        // From a state file edited by hand, or tools that could not answer.
        state = {{}, AwakeMode::forced, 150, {}, -5, 1.5, -1.0, {}};
        fake.sound.brightness = std::nullopt; // unreadable now: written all the same
        QCOMPARE(restored(), (QStringList{"sound.setOutputVolume 100", "sound.setAlertVolume 0",
                                          "sound.setOutputMuted false", "sound.readBrightness", "sound.setBrightness 1"}));
        QCOMPARE(state.previousKeyboardBrightness, std::optional(-1.0)); // not a value to give back
        fake.sound.volume = {};
        fake.sound.brightness = std::nullopt;
        fake.sound.keyboardBrightness = -0.5;
        capture.capture();
        QCOMPARE(state, (PersistedState{{}, AwakeMode::forced, {}, {}, {}, {}, {}, {}}));
        QCOMPARE(restored(), QStringList{"sound.setOutputMuted false"}); // unmuted all the same
    }

    // --- scheduled stop

    void scheduledStopFiresOnceAtItsTime()
    {
        ManualClock clock;
        std::vector<std::optional<double>> fired; // the stop time it could still see
        ScheduledStop stop(clock, [&] { fired.push_back(stop.stopAt()); });
        for (double cancel : {0.0, -3.0}) {
            stop.schedule(60);
            stop.schedule(cancel);
            QVERIFY(!stop.stopAt());
        }
        stop.schedule(10);
        stop.schedule(100); // replaces the first
        clock.advance(99.9);
        QVERIFY(fired.empty());
        clock.advance(0.2);
        QCOMPARE(fired, std::vector<std::optional<double>>{std::nullopt});
        // Very short stops wait the minimum, but say when they were meant for.
        stop.schedule(0.05);
        QCOMPARE(stop.stopAt(), std::optional(clock.now() + 0.05));
        clock.advance(0.19);
        QCOMPARE(fired.size(), size_t(1));
        clock.advance(0.02);
        QCOMPARE(fired.size(), size_t(2));
        QCOMPARE(clock.pendingTimers(), 0);
    }

    void scheduledStopCancelledWithANoticeOnlyWhenPending()
    {
        StoreFixture f;
        f.store->cancelScheduledStop(true);
        f.store->scheduleAutoDisable(60);
        f.store->cancelScheduledStop(true);
        f.fake.clock.advance(120);
        QCOMPARE(f.notices, QStringList{"已取消定时关闭"});
    }
};

QTEST_GUILESS_MAIN(EnableDisableTest)
#include "tst_enabledisable.moc"
