#include "platform/linux/LinuxScreens.h"
#include "platform/linux/LinuxX11.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include "support/ManualClock.h"
#include "support/X11Testing.h"

#include <X11/Xlib.h>
#include <X11/extensions/shape.h>

using namespace launcher;
using namespace launcher::testing;

class LinuxScreensTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        display_ = openXDisplay();
        QVERIFY(display_);
        paintRootWhite(display_.get());
        QVERIFY(!screenIsBlack(display_.get()));
    }

    void blackoutCoversEveryScreenUntilReleased()
    {
        LinuxScreens screens;
        for (int round = 0; round < 2; ++round) { // and again after a release
            auto windows = screens.createBlackoutWindows();
            QCOMPARE(windows.size(), size_t(QGuiApplication::screens().size()));
            QTRY_VERIFY_WITH_TIMEOUT(screenIsBlack(display_.get()), 5000);

            const QWindowList shown = QGuiApplication::topLevelWindows();
            QCOMPARE(shown.size(), qsizetype(windows.size()));
            const Window id = shown.front()->winId();
            XWindowAttributes attributes;
            QVERIFY(XGetWindowAttributes(display_.get(), id, &attributes));
            QCOMPARE(QRect(attributes.x, attributes.y, attributes.width, attributes.height),
                     QGuiApplication::primaryScreen()->geometry());
            QVERIFY2(attributes.override_redirect, "the window manager must not place or decorate it");
            // Clicks and moves go through to whatever lies below.
            int rectangles = -1, ordering = 0;
            if (XRectangle* input = XShapeGetRectangles(display_.get(), id, ShapeInput, &rectangles, &ordering))
                XFree(input);
            QCOMPARE(rectangles, 0);

            windows.clear();
            QTRY_VERIFY_WITH_TIMEOUT(!screenIsBlack(display_.get()), 5000);
        }
    }

    void withoutDpmsNothingPollsOrSleeps()
    {
        if (dpmsDisplaysAsleep(display_.get()))
            QSKIP("this X server has DPMS");
        ManualClock clock;
        LinuxScreenEvents screenEvents(clock); // reads this server's DPMS
        QCOMPARE(clock.pendingTimers(), 0);
        LinuxScreens().sleepDisplaysNow();
        QVERIFY(XSync(display_.get(), False));
    }

private:
    XDisplayPointer display_;
};

QTEST_MAIN(LinuxScreensTest)
#include "tst_linuxscreens_x11.moc"
