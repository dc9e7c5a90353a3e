#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class PowerPoliciesTest : public QObject {
    Q_OBJECT
private slots:
    void lowBatteryBoundary()
    {
        StoreFixture f;
        f.store->minimumBatteryPercentage = 30;
        f.fake.power.snapshot = {PowerSourceKind::battery, 30, "Battery 30%"};
        f.store->enable(AwakeMode::normal);
        f.store->enforceRuntimePoliciesIfNeeded();
        QCOMPARE(f.store->mode, AwakeMode::normal);

        f.fake.power.snapshot.batteryPercent = 29;
        f.store->enforceRuntimePoliciesIfNeeded();
        QCOMPARE(f.store->mode, AwakeMode::off);
        QCOMPARE(f.history().back().note, QString("条件不满足，自动恢复正常模式"));
        QCOMPARE(f.notices, QStringList{"已切回正常：电量已低于最低限制"});
    }

    void bansStopRunningModes_data()
    {
        QTest::addColumn<int>("source");
        QTest::addColumn<bool>("onBattery");
        QTest::addColumn<bool>("onAC");
        QTest::addColumn<QString>("notice");
        const int bat = int(PowerSourceKind::battery), ac = int(PowerSourceKind::ac);
        QTest::newRow("ac banned") << ac << true << false << "Awake mode stopped: AC power is not allowed";
        QTest::newRow("ac allowed") << ac << false << true << QString();
        QTest::newRow("battery banned") << bat << true << false << QString();
        QTest::newRow("battery banned too") << bat << false << true << "Awake mode stopped: battery power is not allowed";
        QTest::newRow("unknown") << int(PowerSourceKind::unknown) << false << false << QString();
    }
    void bansStopRunningModes()
    {
        QFETCH(int, source);
        QFETCH(bool, onBattery);
        QFETCH(bool, onAC);
        QFETCH(QString, notice);
        StoreFixture f;
        f.fake.environment.languages = {"en-US"};
        f.fake.power.snapshot = {PowerSourceKind(source), 80, QString()};
        f.store->enable(AwakeMode::normal);
        f.store->allowOnBattery = onBattery;
        f.store->allowOnAC = onAC;
        f.store->enforceRuntimePoliciesIfNeeded();
        QCOMPARE(f.store->mode, notice.isEmpty() ? AwakeMode::normal : AwakeMode::off);
        QCOMPARE(f.notices, notice.isEmpty() ? QStringList{} : QStringList{notice});
    }

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

    void offModeRunsNoTool()
    {
        StoreFixture f;
        f.store->allowOnAC = false;
        f.fake.calls.clear();
        f.store->enforceRuntimePoliciesIfNeeded();
        QVERIFY(f.fake.calls.isEmpty());
    }

    void titles()
    {
        StoreFixture f;
        f.fake.power.snapshot = {PowerSourceKind::battery, 5, QString()};
        QCOMPARE(f.store->currentPowerSourceTitle(), QString("电池供电"));
        QCOMPARE(f.store->currentBatteryTitle(), QString("5%"));
        f.fake.environment.languages = {"en-US"};
        f.fake.power.snapshot = {PowerSourceKind::unknown, std::nullopt, QString()};
        QCOMPARE(f.store->currentPowerSourceTitle(), QString("Unknown"));
        QCOMPARE(f.store->currentBatteryTitle(), QString("Unavailable"));
        f.fake.power.snapshot.source = PowerSourceKind::ac;
        QCOMPARE(f.store->currentPowerSourceTitle(), QString("AC Power"));
    }
};

QTEST_GUILESS_MAIN(PowerPoliciesTest)
#include "tst_powerpolicies.moc"
