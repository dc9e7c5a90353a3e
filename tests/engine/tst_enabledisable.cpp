#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class EnableDisableTest : public QObject {
    Q_OBJECT
private slots:
    void startConditionsRefuseInOrder_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("percent"); // -1: unknown
        QTest::addColumn<bool>("onBattery");
        QTest::addColumn<bool>("onAC");
        QTest::addColumn<int>("minimum");
        QTest::addColumn<bool>("movie");
        QTest::addColumn<QString>("refusal");
        const int bat = int(PowerSourceKind::battery), ac = int(PowerSourceKind::ac), unk = int(PowerSourceKind::unknown);
        const QString low = "当前电量低于最低电量限制";
        QTest::newRow("battery banned before low level") << bat << 5 << false << true << 50 << true
                                                         << "当前是电池供电，已禁止进入挂机";
        QTest::newRow("battery at minimum") << bat << 20 << true << true << 20 << false << QString();
        QTest::newRow("battery low before movie") << bat << 19 << true << true << 20 << true << low;
        QTest::newRow("battery unknown level") << bat << -1 << true << true << 100 << false << QString();
        QTest::newRow("ac banned before movie") << ac << 100 << true << false << 0 << true << "当前接通电源，已禁止进入挂机";
        QTest::newRow("ac ignores battery rules") << ac << 5 << false << true << 50 << false << QString();
        QTest::newRow("unknown ignores power rules, needs movie")
            << unk << -1 << false << false << 100 << true << "未检测到电影播放器，暂不进入挂机";
    }
    void startConditionsRefuseInOrder()
    {
        QFETCH(int, source);
        QFETCH(int, percent);
        QFETCH(bool, onBattery);
        QFETCH(bool, onAC);
        QFETCH(int, minimum);
        QFETCH(bool, movie);
        QFETCH(QString, refusal);
        StoreFixture f;
        f.fake.power.snapshot = {PowerSourceKind(source), percent < 0 ? std::nullopt : std::optional(percent), "x"};
        f.store->allowOnBattery = onBattery;
        f.store->allowOnAC = onAC;
        f.store->minimumBatteryPercentage = minimum;
        f.store->requireMoviePlayback = movie;
        QCOMPARE(f.store->canStartMode().value_or(QString()), refusal);
    }

    void movieTestByNameOrAssertion()
    {
        StoreFixture f;
        f.store->requireMoviePlayback = true;
        f.fake.applications.names = {"Finder", "QuickTime PLAYER"};
        QCOMPARE(f.store->canStartMode(), std::nullopt);
        f.fake.applications.names = {"vlc helper", "Safari"}; // contains, but is not, a player's name
        QVERIFY(f.store->canStartMode());
        f.fake.power.assertions = "PreventUserIdleDisplaySleep 1";
        QCOMPARE(f.store->canStartMode(), std::nullopt);
        f.fake.power.assertions = "PreventUserIdleDisplaySleep 0";
        QVERIFY(f.store->canStartMode());
    }

    // A switch from one mode to the other ends the old child but logs no stop.
    void startsAndSwitchesLogOneEntryEach()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        const qint32 normalPid = *f.store->pid;
        QCOMPARE(f.store->startedAt, std::optional(f.fake.clock.now()));
        QCOMPARE(decodeState(f.stateFileBytes()), std::optional(f.store->persistedState()));
        f.fake.clock.advance(60);
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.store->mode, AwakeMode::forced);
        QCOMPARE(f.fake.keepAwake.waitedFor, std::vector<qint32>{normalPid});
        QCOMPARE(f.fake.keepAwake.launches, (std::vector<QStringList>{{"-dims"}, {"-i", "-m"}}));
        const double t = f.fake.clock.now();
        QCOMPARE(f.history(), (std::vector<HistoryEntry>{{t - 60, AwakeMode::normal, "enable", "进入挂机"},
                                                         {t, AwakeMode::forced, "enable", "进入强制挂机"}}));
        QVERIFY(f.notices.isEmpty());
    }

    void sameModeAgainChangesNothingWhileAlive()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        const auto pid = f.store->pid;
        f.store->enable(AwakeMode::normal);
        QCOMPARE(f.store->pid, pid);
        QCOMPARE(f.history().size(), size_t(1));

        f.fake.keepAwake.alive.clear(); // died on its own: started anew, without a stop entry
        f.store->enable(AwakeMode::normal);
        QVERIFY(f.store->isActive());
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(2));
        QCOMPARE(f.history().size(), size_t(2));
        QCOMPARE(f.history()[1].action, QString("enable"));
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

    void failedLaunchBeepsAndLeavesDiskAlone()
    {
        StoreFixture f;
        f.store->reconnectIfPossible(); // the state file as the program leaves it at launch
        const QByteArray stateBefore = f.stateFileBytes();
        f.fake.keepAwake.failLaunches = true;
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QCOMPARE(f.store->pid, std::nullopt);
        QCOMPARE(f.fake.beep.count, 1);
        QCOMPARE(f.stateFileBytes(), stateBefore);
        QVERIFY(!QFile::exists(f.store->historyFile));
        QVERIFY(f.notices.isEmpty());
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
};

QTEST_GUILESS_MAIN(EnableDisableTest)
#include "tst_enabledisable.moc"
