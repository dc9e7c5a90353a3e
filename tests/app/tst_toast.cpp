// The toast controller on a fake desktop, in virtual time; and the notices
// of the delegate reaching it.

#include "app/ToastWindowController.h"
#include "support/AppFixture.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

Q_DECLARE_METATYPE(std::optional<QRect>)
Q_DECLARE_METATYPE(std::optional<QPoint>)

class ToastTest : public QObject {
    Q_OBJECT
private slots:
    void centredOnTheVisibleFrame_data()
    {
        QTest::addColumn<std::optional<QRect>>("frame");
        QTest::addColumn<std::optional<QPoint>>("topLeft");
        QTest::newRow("below a menu bar") << std::optional(QRect(0, 25, 1440, 875)) << std::optional(QPoint(550, 435));
        QTest::newRow("second screen") << std::optional(QRect(1440, 0, 1920, 1080)) << std::optional(QPoint(2230, 513));
        QTest::newRow("no screen: where it was") << std::optional<QRect>() << std::optional<QPoint>();
    }
    void centredOnTheVisibleFrame()
    {
        QFETCH(std::optional<QRect>, frame);
        QFETCH(std::optional<QPoint>, topLeft);
        CallLog log;
        ManualClock clock;
        FakeDesktop desktop(log);
        desktop.visibleFrame = frame;
        ToastWindowController toast(desktop, clock);
        QCOMPARE(desktop.toastPanelsCreated, 1);
        QVERIFY(!desktop.toast.shown);
        toast.show(QStringLiteral("已取消定时关闭"));
        QCOMPARE(desktop.toast.topLeft, topLeft);
        QCOMPARE(desktop.toast.text, QString("已取消定时关闭"));
        QVERIFY(desktop.toast.shown);
        QCOMPARE(desktop.activations, 0); // never takes the focus
    }

    void theLatestNoticeStaysThreeSeconds_data()
    {
        QTest::addColumn<QString>("second");
        QTest::newRow("text") << QStringLiteral("定时挂机结束，已恢复正常界面");
        QTest::newRow("empty") << QString();
    }
    void theLatestNoticeStaysThreeSeconds()
    {
        QFETCH(QString, second);
        CallLog log;
        ManualClock clock;
        FakeDesktop desktop(log);
        ToastWindowController toast(desktop, clock);
        toast.show(QStringLiteral("first"));
        clock.advance(1.0);
        toast.show(second);
        QCOMPARE(desktop.toast.text, second);
        clock.advance(2.5); // past the first notice's three seconds
        QVERIFY(desktop.toast.shown);
        clock.advance(0.49);
        QVERIFY(desktop.toast.shown);
        clock.advance(0.02);
        QVERIFY(!desktop.toast.shown);
        QCOMPARE(log.filter("toast.hide").size(), 1);
        QCOMPARE(clock.pendingTimers(), 0);
    }

    void aGoneControllerLeavesNoTimer()
    {
        CallLog log;
        ManualClock clock;
        FakeDesktop desktop(log);
        {
            ToastWindowController toast(desktop, clock);
            toast.show(QStringLiteral("x"));
        }
        QCOMPARE(clock.pendingTimers(), 0);
    }

    void noticesOfTheStoreBecomeToasts()
    {
        AppFixture f;
        f.delegate->applicationDidFinishLaunching();
        QCOMPARE(f.desktop.desktop.toastPanelsCreated, 0); // made on the first notice
        for (int i = 0; i < 2; ++i) {
            f.state().scheduleAutoDisable(60);
            f.delegate->cancelTimedStop();
        }
        QCOMPARE(f.desktop.desktop.toastPanelsCreated, 1);
        QCOMPARE(f.desktop.desktop.toast.shows, 2);
        QCOMPARE(f.desktop.desktop.toast.text, QString("已取消定时关闭"));
    }
};

QTEST_MAIN(ToastTest)
#include "tst_toast.moc"
