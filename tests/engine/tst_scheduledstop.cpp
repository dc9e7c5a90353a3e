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
        QCOMPARE(f.store->autoDisableTimer, std::nullopt);
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
        QVERIFY(f.notices.isEmpty());

        f.store->scheduleAutoDisable(10);
        f.store->scheduleAutoDisable(100);
        f.fake.clock.advance(50);
        QCOMPARE(f.store->mode, AwakeMode::normal);
        f.fake.clock.advance(51);
        QCOMPARE(f.store->mode, AwakeMode::off);
    }

    void cancelNoticeOnlyWhenSomethingWasPending()
    {
        StoreFixture f;
        f.store->cancelScheduledStop(true);
        QVERIFY(f.notices.isEmpty());
        f.store->scheduleAutoDisable(60);
        f.store->cancelScheduledStop(true);
        QCOMPARE(f.notices, QStringList{"已取消定时关闭"});
        f.fake.environment.languages = {"en-US"};
        f.store->scheduleAutoDisable(60);
        f.store->cancelScheduledStop(true);
        QCOMPARE(f.notices.last(), QString("已取消定时关闭"));
    }

    void manualStopRemovesItSilently()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::normal);
        f.store->scheduleAutoDisable(60);
        f.store->disable(DisableReason::manual, true);
        QVERIFY(!f.store->hasScheduledStop());
        QVERIFY(f.notices.isEmpty());
        f.fake.clock.advance(120);
        QCOMPARE(f.history().size(), size_t(2));
    }

    void stopScheduledWhileOffStillFires()
    {
        StoreFixture f;
        f.store->scheduleAutoDisable(1);
        f.fake.clock.advance(1);
        QCOMPARE(f.history().back().note, QString("定时结束，自动恢复正常模式"));
        QCOMPARE(f.notices, QStringList{"定时挂机结束，已恢复正常界面"});
    }

    void aWeekLongPresetFires()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.store->scheduleAutoDisable(7 * 24 * 3600);
        f.fake.clock.advance(5);
        // A week of forced mode is spent with the screens asleep, the poll resting.
        f.fake.screenEvents.post(ScreenEvent::didSleep);
        f.fake.clock.advance(7 * 24 * 3600 - 6);
        QCOMPARE(f.store->mode, AwakeMode::forced);
        f.fake.clock.advance(1);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QVERIFY(f.history().back().note.startsWith("定时结束，自动恢复正常模式；按Mac估算，约省电1041.60Wh"));
    }
};

QTEST_GUILESS_MAIN(ScheduledStopTest)
#include "tst_scheduledstop.moc"
