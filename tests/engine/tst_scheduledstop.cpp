#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class ScheduledStopTest : public QObject {
    Q_OBJECT
private slots:
    void shortStopsWaitTheMinimum()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        const double t0 = f.fake.clock.now();
        f.store->scheduleAutoDisable(0.05);
        QCOMPARE(f.store->scheduledStopAt, std::optional(t0 + 0.05));
        f.fake.clock.advance(0.19);
        QCOMPARE(f.store->mode, AwakeMode::normal);
        f.fake.clock.advance(0.02);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QVERIFY(!f.store->hasScheduledStop());
    }

    void zeroOrLessCancelsAndALaterCallReplaces()
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
        f.store->scheduleAutoDisable(100);
        f.fake.clock.advance(50);
        QCOMPARE(f.store->mode, AwakeMode::normal);
        f.fake.clock.advance(51);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QCOMPARE(f.notices.size(), 1); // the timer's own, none for the cancels
    }

    void cancelAndManualStop()
    {
        StoreFixture f;
        f.store->cancelScheduledStop(true);
        QVERIFY(f.notices.isEmpty());
        f.store->scheduleAutoDisable(60);
        f.store->cancelScheduledStop(true);
        QCOMPARE(f.notices, QStringList{"已取消定时关闭"});

        // A manual stop takes the timed one with it, silently.
        f.store->enable(AwakeMode::normal);
        f.store->scheduleAutoDisable(60);
        f.store->disable(DisableReason::manual, true);
        QVERIFY(!f.store->hasScheduledStop());
        f.fake.clock.advance(120);
        QCOMPARE(f.notices.size(), 1);
        QCOMPARE(f.history().size(), size_t(2));
    }
};

QTEST_GUILESS_MAIN(ScheduledStopTest)
#include "tst_scheduledstop.moc"
