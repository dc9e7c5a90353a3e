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
        QCOMPARE(f.store->mode, stop.isEmpty() ? AwakeMode::normal : AwakeMode::off);
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
        const qint32 normalPid = *f.store->pid;
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
        QCOMPARE(f.store->mode, AwakeMode::off);
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
    }

    // The saving estimate comes only after more than a second of forced mode.
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
        if (timed)
            f.store->scheduleAutoDisable(seconds);
        f.fake.clock.advance(seconds);
        if (!timed)
            f.store->enable(AwakeMode::off);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QCOMPARE(f.history().size(), size_t(2));
        QCOMPARE(f.history().back(), (HistoryEntry{f.fake.clock.now(), AwakeMode::off, "disable", note}));
        QCOMPARE(f.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
    }

    // --- restore of sound and brightness

    // Brightness is written back only when it is off by more than a hundredth.
    void forcedStopRestoresSoundAndBrightness()
    {
        StoreFixture f;
        f.fake.sound.volume = {60, false, 40};
        f.fake.sound.brightness = 0.8;
        f.fake.sound.keyboardBrightness = 0.3;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.2); // muted
        f.fake.sound.brightness = 0.78;
        f.fake.sound.keyboardBrightness = 0.305;
        f.fake.calls.clear();
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound."),
                 (QStringList{"sound.setOutputVolume 60", "sound.setAlertVolume 40", "sound.setOutputMuted false",
                              "sound.readBrightness", "sound.setBrightness 0.8", "sound.readKeyboardBrightness"}));
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));

        f.store->enable(AwakeMode::forced);
        f.fake.sound.brightness = std::nullopt; // no longer readable: written all the same
        f.fake.calls.clear();
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound.setBrightness"), QStringList{"sound.setBrightness 0.8"});

        // Nothing could be read at the start: the sound is still unmuted.
        f.fake.sound.volume = {};
        f.fake.sound.brightness = f.fake.sound.keyboardBrightness = std::nullopt;
        f.store->enable(AwakeMode::forced);
        f.fake.calls.clear();
        f.store->disable(DisableReason::manual, false);
        QCOMPARE(f.fake.callsStartingWith("sound."), QStringList{"sound.setOutputMuted false"});

        // A normal stop must not unmute what the user muted meanwhile.
        f.store->enable(AwakeMode::normal);
        f.fake.calls.clear();
        f.store->disable(DisableReason::manual, false);
        QVERIFY(f.fake.callsStartingWith("sound.").isEmpty());
    }

    // --- scheduled stop

    void scheduledStopFiresOnceAtItsTime()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        for (double cancel : {0.0, -3.0}) {
            f.store->scheduleAutoDisable(60);
            f.store->scheduleAutoDisable(cancel);
            QVERIFY(!f.store->hasScheduledStop());
        }
        f.fake.clock.advance(120);
        QCOMPARE(f.store->mode, AwakeMode::normal);
        f.store->scheduleAutoDisable(10);
        f.store->scheduleAutoDisable(100); // replaces the first
        f.fake.clock.advance(50);
        QCOMPARE(f.store->mode, AwakeMode::normal);
        f.fake.clock.advance(51);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QCOMPARE(f.notices.size(), 1); // the timer's own, none for the cancels

        // Very short stops wait the minimum.
        f.store->enable(AwakeMode::normal);
        const double t0 = f.fake.clock.now();
        f.store->scheduleAutoDisable(0.05);
        QCOMPARE(f.store->scheduledStopAt, std::optional(t0 + 0.05));
        f.fake.clock.advance(0.19);
        QCOMPARE(f.store->mode, AwakeMode::normal);
        f.fake.clock.advance(0.02);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QVERIFY(!f.store->hasScheduledStop());

        // A manual stop takes the timed one with it, silently.
        f.store->enable(AwakeMode::normal);
        f.store->scheduleAutoDisable(60);
        f.store->disable(DisableReason::manual, true);
        QVERIFY(!f.store->hasScheduledStop());
        f.fake.clock.advance(120);
        QCOMPARE(f.notices.size(), 2);
        QCOMPARE(f.history().back().note, QString("恢复正常模式"));
    }
};

QTEST_GUILESS_MAIN(EnableDisableTest)
#include "tst_enabledisable.moc"
