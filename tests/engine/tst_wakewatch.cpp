#include "engine/Constants.h"
#include "support/StoreFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class WakeWatchTest : public QObject {
    Q_OBJECT
private slots:
    void inputDuringGraceIsIgnored()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(1.0);
        f.fake.input.touch(WakeEventType::keyDown);
        f.fake.clock.advance(10);
        QCOMPARE(f.store->mode, AwakeMode::forced);
    }

    void inputAfterGraceEndsWithinOnePoll_data()
    {
        QTest::addColumn<int>("type");
        for (WakeEventType type : wakeEventTypes)
            QTest::newRow(QByteArray::number(int(type))) << int(type);
    }
    void inputAfterGraceEndsWithinOnePoll()
    {
        QFETCH(int, type);
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.fake.clock.advance(4.0);
        f.fake.input.touch(WakeEventType(type));
        f.fake.clock.advance(0.2);
        QCOMPARE(f.store->mode, AwakeMode::off);
        QCOMPARE(f.store->inputWatchTimer, std::nullopt);
        QCOMPARE(f.notices.size(), 1);
        QVERIFY(f.notices[0].startsWith("检测到鼠标或键盘，已恢复正常界面 · "));
        QVERIFY(f.history().back().note.startsWith("检测到鼠标/键盘，自动恢复正常模式；"));
    }

    void smallDropsAreNotInput()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        const double t0 = *f.store->forcedArmedAt;
        f.fake.clock.advance(1.0);
        f.fake.input.touch(WakeEventType::mouseMoved);
        f.fake.clock.advance(3.0); // polled at 4.0: age 3.0
        f.fake.clock.advance(0.05);
        f.fake.input.touchAt(WakeEventType::mouseMoved, t0 + 1.24);
        f.fake.clock.advance(0.15); // polled at 4.2: age 2.96, 0.04 less
        QCOMPARE(f.store->mode, AwakeMode::forced);
        f.fake.clock.advance(0.05);
        f.fake.input.touchAt(WakeEventType::mouseMoved, t0 + 1.5);
        f.fake.clock.advance(0.15); // polled at 4.4: age 2.9, 0.06 less
        QCOMPARE(f.store->mode, AwakeMode::off);
    }

    void pollInNormalModeDisarms()
    {
        StoreFixture f;
        f.store->enable(AwakeMode::forced);
        f.store->mode = AwakeMode::normal; // as if changed behind the watch's back
        f.store->hasObservedDisplaySleep = true;
        f.store->pollForWakeInput();
        QCOMPARE(f.store->inputWatchTimer, std::nullopt);
        QVERIFY(!f.store->hasObservedDisplaySleep);
        QCOMPARE(f.store->lastWakeEventAges, std::nullopt);
        QCOMPARE(f.store->forcedArmedAt, std::nullopt);
    }
};

QTEST_GUILESS_MAIN(WakeWatchTest)
#include "tst_wakewatch.moc"
