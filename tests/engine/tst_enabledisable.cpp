#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class EnableDisableTest : public QObject {
    Q_OBJECT
private slots:
    // A switch from one mode to the other ends the old child but logs no stop.
    void startsSwitchesAndRestarts()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        const qint32 normalPid = *f.store->pid;
        QCOMPARE(f.store->startedAt, std::optional(f.fake.clock.now()));
        f.store->enable(AwakeMode::normal); // running already: nothing new
        f.fake.clock.advance(60);
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.store->mode, AwakeMode::forced);
        QCOMPARE(f.fake.keepAwake.waitedFor, std::vector<qint32>{normalPid});
        QCOMPARE(f.fake.keepAwake.launches, (std::vector<QStringList>{{"-dims"}, {"-i", "-m"}}));
        const double t = f.fake.clock.now();
        QCOMPARE(f.history(), (std::vector<HistoryEntry>{{t - 60, AwakeMode::normal, "enable", "进入挂机"},
                                                         {t, AwakeMode::forced, "enable", "进入强制挂机"}}));
        QVERIFY(f.notices.isEmpty());

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
        f.store->muteInForced = false;
        f.store->enable(AwakeMode::forced);
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
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
    }

    // --- restore of sound and brightness

    // Brightness is written back only when it is off by more than a hundredth.
    void stopRestoresInOrder()
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

    // A normal stop must not unmute what the user muted meanwhile.
    void normalStopRestoresNothing()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        f.store->disable(DisableReason::manual, false);
        QVERIFY(f.fake.callsStartingWith("sound.set").isEmpty());
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
