// The toast controller on a fake desktop, in virtual time.

#include "app/ToastWindowController.h"
#include "support/FakeAppPlatform.h"

#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class ToastTest : public QObject {
    Q_OBJECT
private slots:
    // Centred on the screen, without taking the focus; the latest notice stays three seconds.
    void showAndHide()
    {
        ManualClock clock;
        FakeDesktop desktop;
        desktop.visibleFrame = QRect(1440, 25, 1920, 1055);
        auto toast = std::make_unique<ToastWindowController>(desktop, clock);
        toast->show(QStringLiteral("first"));
        QCOMPARE(desktop.toast.topLeft, std::optional(QPoint(2230, 525)));
        QCOMPARE(desktop.activations, 0);
        clock.advance(1.0);
        desktop.visibleFrame.reset(); // no screen: it stays where it was
        toast->show(QStringLiteral("second"));
        QCOMPARE(desktop.toast.topLeft, std::optional(QPoint(2230, 525)));
        clock.advance(2.99); // past the first notice's three seconds
        QVERIFY(desktop.toast.shown);
        clock.advance(0.02);
        QVERIFY(!desktop.toast.shown);

        toast->show(QStringLiteral("third"));
        toast.reset(); // its hide timer must not outlive it
        QCOMPARE(clock.pendingTimers(), 0);
    }
};

QTEST_MAIN(ToastTest)
#include "tst_toast.moc"
