#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class PowerPoliciesTest : public QObject {
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
        f.fake.power.snapshot = {PowerSourceKind(source), percent < 0 ? std::nullopt : std::optional(percent), "x"};
        f.store->allowOnBattery = onBattery;
        f.store->allowOnAC = onAC;
        f.store->minimumBatteryPercentage = minimum;
        f.store->requireMoviePlayback = movie;
        QCOMPARE(f.store->canStartMode().value_or(QString()), refusal);

        f.store->enable(AwakeMode::normal);
        f.store->enforceRuntimePoliciesIfNeeded();
        QCOMPARE(f.store->mode, stop.isEmpty() ? AwakeMode::normal : AwakeMode::off);
        QCOMPARE(f.notices, stop.isEmpty() ? QStringList{} : QStringList{stop});
        if (!stop.isEmpty())
            QCOMPARE(f.history().back().note, QString("条件不满足，自动恢复正常模式"));
    }

    void movieTestByNameOrAssertion()
    {
        StoreFixture f;
        f.store->requireMoviePlayback = true;
        f.fake.applications.names = {"vlc helper", "QuickTime PLAYER"};
        QCOMPARE(f.store->canStartMode(), std::nullopt);
        f.fake.applications.names = {"vlc helper"}; // contains, but is not, a player's name
        f.fake.power.assertions = "PreventUserIdleDisplaySleep 0";
        QVERIFY(f.store->canStartMode());
        f.fake.power.assertions = "PreventUserIdleDisplaySleep 1";
        QCOMPARE(f.store->canStartMode(), std::nullopt);
    }

    // The toast shows the last notice: the reason must come after the estimate.
    void forcedStopNoticeComesBeforeThePolicyNotice()
    {
        StoreFixture f;
        f.fake.power.snapshot = {PowerSourceKind::ac, 100, QString()};
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(2);
        f.store->allowOnAC = false;
        f.store->enforceRuntimePoliciesIfNeeded();
        QCOMPARE(f.notices.size(), 2);
        QVERIFY(f.notices[0].startsWith("按Mac估算"));
        QCOMPARE(f.notices[1], QString("已切回正常：当前接通电源，设置禁止继续挂机"));

        // The monitor asks every second; with nothing running there is nothing to stop.
        f.fake.calls.clear();
        f.store->enforceRuntimePoliciesIfNeeded();
        QVERIFY(f.fake.calls.isEmpty());
    }

    // A desktop without a battery.
    void batteryTitleWithoutALevel()
    {
        StoreFixture f;
        f.fake.power.snapshot = {PowerSourceKind::ac, std::nullopt, QString()};
        QCOMPARE(f.store->currentBatteryTitle(), QString("未检测到"));
    }
};

QTEST_GUILESS_MAIN(PowerPoliciesTest)
#include "tst_powerpolicies.moc"
