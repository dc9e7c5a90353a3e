#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class PowerPoliciesTest : public QObject {
    Q_OBJECT
private slots:
    void runningModeStopsWhenNoLongerAllowed_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<int>("percent");
        QTest::addColumn<bool>("onBattery");
        QTest::addColumn<bool>("onAC");
        QTest::addColumn<QString>("notice"); // empty: keeps running
        const int bat = int(PowerSourceKind::battery), ac = int(PowerSourceKind::ac);
        QTest::newRow("ac banned") << ac << 80 << true << false << "Awake mode stopped: AC power is not allowed";
        QTest::newRow("ac allowed, battery low") << ac << 10 << false << true << QString();
        QTest::newRow("battery, ac banned") << bat << 80 << true << false << QString();
        QTest::newRow("battery at minimum") << bat << 30 << true << true << QString();
        QTest::newRow("battery below minimum") << bat << 29 << true << true
                                               << "Awake mode stopped: battery level fell below minimum";
        QTest::newRow("unknown") << int(PowerSourceKind::unknown) << 10 << false << false << QString();
    }
    void runningModeStopsWhenNoLongerAllowed()
    {
        QFETCH(int, source);
        QFETCH(int, percent);
        QFETCH(bool, onBattery);
        QFETCH(bool, onAC);
        QFETCH(QString, notice);
        StoreFixture f;
        f.fake.environment.languages = {"en-US"};
        f.fake.power.snapshot = {PowerSourceKind(source), percent, QString()};
        f.store->enable(AwakeMode::normal);
        f.store->allowOnBattery = onBattery;
        f.store->allowOnAC = onAC;
        f.store->minimumBatteryPercentage = 30;
        f.store->enforceRuntimePoliciesIfNeeded();
        QCOMPARE(f.store->mode, notice.isEmpty() ? AwakeMode::normal : AwakeMode::off);
        QCOMPARE(f.notices, notice.isEmpty() ? QStringList{} : QStringList{notice});
        if (!notice.isEmpty())
            QCOMPARE(f.history().back().note, QString("条件不满足，自动恢复正常模式"));
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
    }

    // The monitor asks every second; with nothing running there is nothing to stop.
    void offModeRunsNoTool()
    {
        StoreFixture f;
        f.store->allowOnAC = false;
        f.fake.calls.clear();
        f.store->enforceRuntimePoliciesIfNeeded();
        QVERIFY(f.fake.calls.isEmpty());
    }

    void batteryTitleWithoutALevel()
    {
        StoreFixture f;
        f.fake.power.snapshot = {PowerSourceKind::ac, std::nullopt, QString()};
        QCOMPARE(f.store->currentBatteryTitle(), QString("未检测到"));
    }
};

QTEST_GUILESS_MAIN(PowerPoliciesTest)
#include "tst_powerpolicies.moc"
