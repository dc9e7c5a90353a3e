#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class LabelsTest : public QObject {
    Q_OBJECT
private:
    QString schedule(StoreFixture& f)
    {
        return f.store->scheduleLabel([&f](const QString& zh, const QString& en) { return f.store->localized(zh, en); });
    }

private slots:
    void elapsed_data()
    {
        QTest::addColumn<double>("ago");
        QTest::addColumn<QString>("full");
        QTest::addColumn<QString>("bar");
        QTest::newRow("59.9 s") << 59.9 << "00:00:59" << "00:59";
        QTest::newRow("3599.9 s") << 3599.9 << "00:59:59" << "59:59";
        QTest::newRow("one hour") << 3600.0 << "01:00:00" << "01:00";
        QTest::newRow("3h 5m 7s") << 11107.0 << "03:05:07" << "03:05";
        QTest::newRow("100 hours") << 360000.0 << "100:00:00" << "100:00";
        QTest::newRow("in the future") << -30.0 << "00:00:00" << "00:00";
    }
    void elapsed()
    {
        QFETCH(double, ago);
        QFETCH(QString, full);
        QFETCH(QString, bar);
        StoreFixture f;
        f.store->mode = AwakeMode::normal;
        f.store->startedAt = f.fake.clock.now() - ago;
        QCOMPARE(f.store->durationLabel(), full);
        QCOMPARE(f.store->durationLabelForStatusBar(), bar);
    }

    void countdown_data()
    {
        QTest::addColumn<double>("left");
        QTest::addColumn<QString>("bar");
        QTest::addColumn<QString>("zh");
        QTest::addColumn<QString>("en");
        QTest::newRow("3599.5 s") << 3599.5 << "T-59:59" << "剩余 59:59" << "59:59 remaining";
        QTest::newRow("3600 s") << 3600.0 << "T-01:00:00" << "剩余 01:00:00" << "01:00:00 remaining";
        QTest::newRow("a week") << 604800.0 << "T-168:00:00" << "剩余 168:00:00" << "168:00:00 remaining";
        QTest::newRow("past due") << -2.0 << "T-00:00" << "剩余 00:00" << "00:00 remaining";
    }
    void countdown()
    {
        QFETCH(double, left);
        QFETCH(QString, bar);
        QFETCH(QString, zh);
        QFETCH(QString, en);
        StoreFixture f;
        f.store->mode = AwakeMode::forced;
        f.store->startedAt = f.fake.clock.now() - 10;
        f.store->scheduledStopAt = f.fake.clock.now() + left;
        QCOMPARE(f.store->durationLabelForStatusBar(), bar);
        QCOMPARE(schedule(f), zh);
        f.fake.environment.languages = {"en-US"};
        QCOMPARE(schedule(f), en);
    }

    void offModeShowsNothing()
    {
        StoreFixture f;
        f.store->startedAt = f.fake.clock.now() - 100;
        f.store->scheduledStopAt = f.fake.clock.now() + 100;
        QCOMPARE(f.store->durationLabel(), QString("00:00"));
        QCOMPARE(f.store->durationLabelForStatusBar(), QString());
        QCOMPARE(schedule(f), QString("未设置"));
        f.fake.environment.languages = {"en-US"};
        QCOMPARE(schedule(f), QString("Not set"));
    }

    void runningWithoutStartTime()
    {
        StoreFixture f;
        f.store->mode = AwakeMode::normal;
        QCOMPARE(f.store->durationLabel(), QString("00:00"));
        QCOMPARE(f.store->durationLabelForStatusBar(), QString());
    }
};

QTEST_GUILESS_MAIN(LabelsTest)
#include "tst_labels.moc"
