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
        const QString noBattery = "当前是电池供电，已禁止进入挂机";
        const QString low = "当前电量低于最低电量限制";
        const QString noAC = "当前接通电源，已禁止进入挂机";
        const QString noMovie = "未检测到电影播放器，暂不进入挂机";
        QTest::newRow("battery banned before low level") << bat << 5 << false << true << 50 << true << noBattery;
        QTest::newRow("battery at minimum") << bat << 20 << true << true << 20 << false << QString();
        QTest::newRow("battery below minimum") << bat << 19 << true << true << 20 << false << low;
        QTest::newRow("battery unknown level") << bat << -1 << true << true << 100 << false << QString();
        QTest::newRow("battery low before movie") << bat << 10 << true << true << 20 << true << low;
        QTest::newRow("ac banned") << ac << 100 << true << false << 0 << false << noAC;
        QTest::newRow("ac ignores battery rules") << ac << 5 << false << true << 50 << false << QString();
        QTest::newRow("ac banned before movie") << ac << 100 << true << false << 0 << true << noAC;
        QTest::newRow("unknown passes power rules") << unk << -1 << false << false << 100 << false << QString();
        QTest::newRow("unknown needs movie") << unk << -1 << true << true << 0 << true << noMovie;
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
        QVERIFY2(f.fake.callsStartingWith("power.assertions").isEmpty(), "a name match skips the assertions");

        f.fake.applications.names = {"vlc helper", "Safari"}; // contains, but is not, a player's name
        QVERIFY(f.store->canStartMode());
        f.fake.power.assertions = "pid 123(Safari): [0x0001] PreventUserIdleDisplaySleep named: \"QuickTime video\"";
        QCOMPARE(f.store->canStartMode(), std::nullopt);
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
        QCOMPARE(f.fake.sound.zeroBrightnessRuns, 0);
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
        f.fake.clock.advance(5);
        f.store->enable(AwakeMode::normal);
        QCOMPARE(f.store->pid, pid);
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1));
        QCOMPARE(f.history().size(), size_t(1));

        f.fake.keepAwake.alive.clear(); // died on its own
        f.store->enable(AwakeMode::normal);
        QVERIFY(f.store->isActive());
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(2));
        // The vanished process was dropped without a stop entry.
        QCOMPARE(f.history().size(), size_t(2));
        QCOMPARE(f.history()[1].action, QString("enable"));
    }

    void enablingOffIsAStop()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.5);
        f.store->enable(AwakeMode::off);
        QVERIFY(!f.store->isActive());
        QCOMPARE(f.fake.keepAwake.launches.size(), size_t(1));
        QCOMPARE(f.fake.callsStartingWith("sound.setOutputMuted"), QStringList{"sound.setOutputMuted false"});
        QCOMPARE(f.history().back(), (HistoryEntry{f.fake.clock.now(), AwakeMode::off, "disable", "恢复正常模式"}));
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
    }

    void forcedStartCapturesThenMutesLater()
    {
        StoreFixture f;
        f.fake.sound.volume = {60, false, 40};
        f.fake.sound.brightness = 0.8;
        f.fake.sound.keyboardBrightness = 0.3;
        f.store->enable(AwakeMode::forced);
        QCOMPARE(f.store->previousVolume, std::optional(60));
        QCOMPARE(f.store->previousMuted, std::optional(false));
        QCOMPARE(f.store->previousAlertVolume, std::optional(40));
        QCOMPARE(f.store->previousKeyboardBrightness, std::optional(0.3));
        QCOMPARE(decodeState(f.stateFileBytes())->previousBrightness, std::optional(0.8));

        f.fake.clock.advance(0.17);
        QVERIFY(f.fake.callsStartingWith("sound.muteAll").isEmpty());
        f.fake.clock.advance(0.02);
        QCOMPARE(f.fake.callsStartingWith("sound.muteAll").size(), 1);
    }

    void noMuteWhenNotWantedOrNoLongerForced()
    {
        StoreFixture f;
        f.store->muteInForced = false;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(1);
        f.store->muteInForced = true;
        f.store->enable(AwakeMode::normal);
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(0.1);
        f.store->enable(AwakeMode::normal);
        f.fake.clock.advance(0.2);
        QVERIFY(f.fake.callsStartingWith("sound.muteAll").isEmpty());
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
        QCOMPARE(f.store->startedAt, std::nullopt);
        QCOMPARE(f.fake.beep.count, 1);
        QCOMPARE(f.stateFileBytes(), stateBefore);
        QVERIFY(!QFile::exists(f.store->historyFile));
        QVERIFY(f.notices.isEmpty());
    }

    // How a stop is logged and announced: the saving estimate only after more
    // than a second of forced mode, in the user's language, also in the log.
    void stopNotesAndNotices_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<QString>("how"); // manual, timer or unlogged wake input
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("note"); // of the last entry; null when nothing is logged
        QTest::addColumn<QString>("notice");
        const QString zhHour = "按Mac估算，约省电6.20Wh，约省¥0.004";
        const QString enHour = "Estimated on Mac: saved about 6.20Wh and ¥0.004";
        QTest::newRow("a second of forced") << true << 1.0 << "manual" << "zh-Hans" << "恢复正常模式" << QString();
        QTest::newRow("an hour of forced") << true << 3600.0 << "manual" << "zh-Hans" << "恢复正常模式；" + zhHour << zhHour;
        QTest::newRow("an hour in english")
            << true << 3600.0 << "manual" << "en-AU" << "恢复正常模式；" + enHour << enHour;
        QTest::newRow("timed forced") << true << 600.0 << "timer" << "zh-Hans"
                                      << "定时结束，自动恢复正常模式；按Mac估算，约省电1.03Wh，约省¥0.001"
                                      << "定时挂机结束，已恢复正常界面 · 按Mac估算，约省电1.03Wh，约省¥0.001";
        QTest::newRow("timed normal") << false << 30.0 << "timer" << "zh-Hans" << "定时结束，自动恢复正常模式"
                                      << "定时挂机结束，已恢复正常界面";
        QTest::newRow("wake input, unlogged") << true << 3600.0 << "wake" << "zh-Hans" << QString()
                                              << "检测到鼠标或键盘，已恢复正常界面 · " + zhHour;
    }
    void stopNotesAndNotices()
    {
        QFETCH(bool, forced);
        QFETCH(double, seconds);
        QFETCH(QString, how);
        QFETCH(QString, language);
        QFETCH(QString, note);
        QFETCH(QString, notice);
        StoreFixture f;
        f.fake.environment.languages = {language};
        f.store->enable(forced ? AwakeMode::forced : AwakeMode::normal);
        if (how == "timer")
            f.store->scheduleAutoDisable(seconds);
        f.fake.clock.advance(seconds);
        if (how == "manual")
            f.store->disable(DisableReason::manual, true);
        else if (how == "wake")
            f.store->disable(DisableReason::wakeInput, false); // unlogged, still announced
        QCOMPARE(f.store->mode, AwakeMode::off);
        const auto history = f.history();
        QCOMPARE(history.size(), size_t(note.isNull() ? 1 : 2));
        if (!note.isNull())
            QCOMPARE(history.back().note, note);
        QCOMPARE(f.notices, notice.isEmpty() ? QStringList() : QStringList{notice});
    }

    void stopInOffModeStillWritesAndLogs()
    {
        StoreFixture f;
        f.store->disable(DisableReason::appQuit, true);
        f.store->disable(DisableReason::appQuit, true);
        QCOMPARE(f.history().size(), size_t(2));
        QCOMPARE(f.history()[1], (HistoryEntry{f.fake.clock.now(), AwakeMode::off, "disable", "应用退出，恢复正常模式"}));
        QCOMPARE(f.stateFileBytes(), QByteArray(R"({"mode":"off"})"));
        QVERIFY(f.fake.keepAwake.terminated.empty());
    }

    void adoptedProcessIsStoppedBySignal()
    {
        StoreFixture f;
        f.fake.keepAwake.alive.insert(777);
        writeFile(f.store->stateFile, R"({"mode":"normal","pid":777,"startedAt":1799999000})");
        f.store->reconnectIfPossible();
        QCOMPARE(f.store->pid, std::optional<qint32>(777));
        f.store->disable(DisableReason::manual, true);
        QCOMPARE(f.fake.keepAwake.terminated, std::vector<qint32>{777});
        QCOMPARE(f.store->mode, AwakeMode::off);
    }
};

QTEST_GUILESS_MAIN(EnableDisableTest)
#include "tst_enabledisable.moc"
