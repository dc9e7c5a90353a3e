#include "platform/QtClock.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/LinuxX11.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include "support/X11Testing.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

using namespace launcher;
using launcher::testing::screenIsBlack;

namespace {

struct TopWindow {
    Window id;
    XWindowAttributes attributes;
};

std::vector<TopWindow> mappedTopWindows(Display* display)
{
    std::vector<TopWindow> windows;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        return windows;
    for (unsigned i = 0; i < count; ++i) {
        TopWindow window{children[i], {}};
        if (XGetWindowAttributes(display, children[i], &window.attributes) && window.attributes.map_state == IsViewable)
            windows.push_back(window);
    }
    XFree(children);
    return windows;
}

} // namespace

class LinuxScreensTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        display_ = openXDisplay();
        QVERIFY(display_);
        launcher::testing::paintRootWhite(display_.get());
        QVERIFY(!screenIsBlack(display_.get()));
    }

    void blackoutCoversEveryScreenUntilReleased()
    {
        LinuxScreens screens;
        auto windows = screens.createBlackoutWindows();
        QCOMPARE(windows.size(), size_t(QGuiApplication::screens().size()));
        QTRY_VERIFY_WITH_TIMEOUT(screenIsBlack(display_.get()), 5000);

        const QRect geometry = QGuiApplication::primaryScreen()->geometry();
        const auto top = mappedTopWindows(display_.get());
        QCOMPARE(top.size(), windows.size());
        const XWindowAttributes& attributes = top.front().attributes;
        QCOMPARE(QRect(attributes.x, attributes.y, attributes.width, attributes.height), geometry);
        QVERIFY2(attributes.override_redirect, "the window manager must not place or decorate it");

        // Clicks and moves go through to whatever lies below.
        int rectangles = -1, ordering = 0;
        XRectangle* input = XShapeGetRectangles(display_.get(), top.front().id, ShapeInput, &rectangles, &ordering);
        if (input)
            XFree(input);
        QCOMPARE(rectangles, 0);

        windows.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!screenIsBlack(display_.get()), 5000);
        QTRY_VERIFY(mappedTopWindows(display_.get()).empty());
    }

    void blackoutAgainAfterRelease()
    {
        LinuxScreens screens;
        for (int round = 0; round < 2; ++round) {
            auto windows = screens.createBlackoutWindows();
            QTRY_VERIFY_WITH_TIMEOUT(screenIsBlack(display_.get()), 5000);
            windows.clear();
            QTRY_VERIFY_WITH_TIMEOUT(!screenIsBlack(display_.get()), 5000);
        }
    }

    void cursorHideAndShowKeepTheConnectionHealthy()
    {
        LinuxScreens screens;
        screens.hideCursor();
        screens.showCursor();
        screens.hideCursor();
        screens.showCursor();
        // A protocol error would have ended the program or broken the connection.
        QVERIFY(XSync(display_.get(), False));
    }

    void displaySleepWithoutDpmsDoesNothing()
    {
        if (dpmsDisplaysAsleep(display_.get()))
            QSKIP("this X server has DPMS");
        QtClock clock;
        LinuxScreenEvents screenEvents(clock);
        int posted = 0;
        screenEvents.addObserver(ScreenEvent::didSleep, [&] { ++posted; });
        screenEvents.addObserver(ScreenEvent::didWake, [&] { ++posted; });

        LinuxScreens screens;
        screens.sleepDisplaysNow();
        QTest::qWait(1200);
        QCOMPARE(posted, 0);
        QVERIFY(!dpmsDisplaysAsleep(display_.get()));
        QVERIFY(XSync(display_.get(), False));
    }

private:
    XDisplayPointer display_;
};

QTEST_MAIN(LinuxScreensTest)
#include "tst_linuxscreens_x11.moc"
