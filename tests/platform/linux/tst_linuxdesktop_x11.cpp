// The Linux adapters and the keep-awake helper on a real X server, with real
// input from xdotool.

#include "app/StatusGlyph.h"
#include "engine/Constants.h"
#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/QtDesktop.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxHotKeys.h"
#include "platform/linux/LinuxInputIdle.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/LinuxStatusItem.h"
#include "platform/linux/LinuxX11.h"

#include "../ProcessProbe.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QToolTip>
#include <QWindow>

// Xlib's macros clash with Qt's names: it comes last.
#include "support/X11Testing.h"

#include <X11/extensions/scrnsaver.h>
#include <X11/keysym.h>

using namespace launcher;
using namespace launcher::testing;

namespace {

void xdotool(const QStringList& arguments)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), arguments), 0);
}

bool isGreen(QRgb pixel)
{
    return qGreen(pixel) > 120 && qGreen(pixel) > qRed(pixel) + 50 && qGreen(pixel) > qBlue(pixel) + 50;
}

// How many pixels of area are green, and the rectangle around them.
std::pair<int, QRect> greenIn(const QImage& image, const QRect& area)
{
    int count = 0;
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.valid(x, y) && isGreen(image.pixel(x, y))) {
                ++count;
                found |= QRect(x, y, 1, 1);
            }
    return {count, found};
}

QImage screenshot()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

class ClickTarget final : public QWidget {
public:
    QList<QPoint> presses;

protected:
    void mousePressEvent(QMouseEvent* event) override { presses.append(event->globalPosition().toPoint()); }
};

} // namespace

class LinuxDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        display_ = openXDisplay();
        QVERIFY(display_);
        paintRootWhite(display_.get());
    }

    // First, while nothing was pressed since the server started.
    void inputAgesStartAtTheSessionIdleTimeAndKeepUpUnasked()
    {
        QTest::qWait(1100);
        LinuxInputIdle idle;
        idle.setWatching(true);
        QVERIFY(idle.secondsSinceLastEvent(WakeEventType::rightMouseDown) >= 1.0);

        // The event loop runs, nobody reads: the age still dates from the press.
        xdotool({"key", "a"});
        QTest::qWait(600);
        const double age = idle.secondsSinceLastEvent(WakeEventType::keyDown);
        QVERIFY2(age >= 0.3 && age < 1.5, qPrintable(QString::number(age)));
    }

    void eachInputCountsForItsOwnType_data()
    {
        QTest::addColumn<QStringList>("input");
        QTest::addColumn<WakeEventType>("type");
        QTest::newRow("left click") << QStringList{"click", "1"} << WakeEventType::leftMouseDown;
        QTest::newRow("right click") << QStringList{"click", "3"} << WakeEventType::rightMouseDown;
        QTest::newRow("middle click") << QStringList{"click", "2"} << WakeEventType::otherMouseDown;
        QTest::newRow("scroll sideways") << QStringList{"click", "7"} << WakeEventType::scrollWheel;
        QTest::newRow("letter") << QStringList{"key", "a"} << WakeEventType::keyDown;
        QTest::newRow("shift alone") << QStringList{"key", "shift"} << WakeEventType::flagsChanged;
    }

    void eachInputCountsForItsOwnType()
    {
        QFETCH(QStringList, input);
        QFETCH(WakeEventType, type);
        LinuxInputIdle idle;
        idle.setWatching(true);
        QTest::qWait(300);
        std::map<WakeEventType, double> before;
        for (WakeEventType each : wakeEventTypes)
            before[each] = idle.secondsSinceLastEvent(each);
        QVERIFY(before[type] >= 0.3);

        xdotool(input);
        QTRY_VERIFY_WITH_TIMEOUT(idle.secondsSinceLastEvent(type) < 0.25, 3000);
        // Nothing else happened, so every other age kept growing.
        for (WakeEventType each : wakeEventTypes)
            if (each != type)
                QVERIFY2(idle.secondsSinceLastEvent(each) > before[each], qPrintable(QString::number(int(each))));
    }

    void blackoutIsLeftAloneByTheWindowManager()
    {
        auto windows = LinuxScreens().createBlackoutWindows();
        QTRY_VERIFY_WITH_TIMEOUT(screenIsBlack(display_.get()), 5000);
        XWindowAttributes attributes;
        QVERIFY(XGetWindowAttributes(display_.get(), QGuiApplication::topLevelWindows().constFirst()->winId(), &attributes));
        QVERIFY2(attributes.override_redirect, "the window manager must not place or decorate it");
    }

    void trayShowsTheGlyphAndOpensTheMenuOnEitherClick()
    {
        QVERIFY(!LinuxStatusItem().isShown()); // no tray yet
        QProcess trayer;
        trayer.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                                                "120", "--height", "32", "--transparent", "false"});
        QVERIFY(trayer.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);

        LinuxStatusItem item;
        item.setImage(drawStatusGlyph(glyphLook(AwakeMode::normal, activePelvaneGreen(), Qt::red, 2.5), 2.0));
        QVERIFY(!item.usesStatusNotifierHost() && item.isShown());
        QVERIFY(item.showsFramesCheaply()); // an XEmbed tray repaints locally
        item.setToolTip(QStringLiteral("Pelvane 12:34"));
        // The icon's own geometry is relative to the tray's window; the picture tells where it is.
        const QRect tray(QGuiApplication::primaryScreen()->geometry().right() - 119, 0, 120, 32);
        QTRY_VERIFY_WITH_TIMEOUT(greenIn(screenshot(), tray).first > 40, 10000);
        const QRect icon = greenIn(screenshot(), tray).second;
        QVERIFY2(icon.width() <= 24 && icon.height() <= 24, "scaled to the tray's size");

        // Hovering shows the tooltip, which keeps ticking while it is shown.
        xdotool({"mousemove", QString::number(icon.center().x()), QString::number(icon.center().y())});
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 5000);
        QCOMPARE(QToolTip::text(), QStringLiteral("Pelvane 12:34"));
        item.setToolTip(QStringLiteral("Pelvane 12:35"));
        QCOMPARE(QToolTip::text(), QStringLiteral("Pelvane 12:35"));
        QVERIFY(QToolTip::isVisible());

        QMenu menu;
        menu.addAction(QStringLiteral("Quit"));
        item.setMenu(&menu);
        for (const char* button : {"1", "3"}) {
            xdotool({"mousemove", QString::number(icon.center().x()), QString::number(icon.center().y()), "click", button});
            QTRY_VERIFY_WITH_TIMEOUT(menu.isVisible(), 5000);
            item.closeMenu();
            QVERIFY(!menu.isVisible());
        }
        trayer.terminate();
        QVERIFY(trayer.waitForFinished(5000));
    }

    void hotKeysCountOncePerPressWhateverTheLocks()
    {
        LinuxHotKeys keys;
        QList<int> ids;
        keys.installHandler([&](int id) { ids.append(id); });
        QVERIFY(keys.registerHotKey(Qt::Key_L, hotKeyControlOption, 1, {}));
        QVERIFY(keys.registerHotKey(Qt::Key_F, hotKeyControlOption, 2, {}));

        // Through no lock, caps lock, both, num lock alone.
        const std::pair<const char*, unsigned> toggles[] = {
            {nullptr, 0u}, {"Caps_Lock", LockMask}, {"Num_Lock", LockMask | Mod2Mask}, {"Caps_Lock", Mod2Mask}};
        for (const auto& [lock, state] : toggles) {
            if (lock)
                xdotool({"key", lock});
            QCOMPARE(pointerState() & (LockMask | Mod2Mask), state);
            xdotool({"key", "ctrl+shift+alt+f"}); // another combination
            xdotool({"key", "ctrl+alt+l"});
            xdotool({"key", "ctrl+alt+f"});
        }
        const QList<int> pressed{1, 2, 1, 2, 1, 2, 1, 2};
        QTRY_COMPARE_WITH_TIMEOUT(ids, pressed, 5000);

        // Longer than the auto-repeat delay, so the server repeats the key;
        // released with the modifiers still down, the next press counts again.
        xdotool({"keydown", "ctrl+alt+l", "sleep", "1.2", "keyup", "l", "sleep", "0.1", "keyup", "ctrl+alt"});
        xdotool({"key", "ctrl+alt+l"});
        QTRY_COMPARE_WITH_TIMEOUT(ids, pressed + QList<int>({1, 1}), 5000);

        keys.unregisterAll();
        xdotool({"key", "ctrl+alt+l"});
        QTest::qWait(300);
        QCOMPARE(ids.size(), pressed.size() + 2);
    }

    void cleanup()
    {
        // A failed case must not leave a lock on for the next.
        if (pointerState() & LockMask)
            xdotool({"key", "Caps_Lock"});
        if (pointerState() & Mod2Mask)
            xdotool({"key", "Num_Lock"});
        QCOMPARE(pointerState() & (LockMask | Mod2Mask), 0u);
    }

    void combinationHeldByAnotherProgramFailsAlone()
    {
        XDisplayPointer other = openXDisplay();
        QVERIFY(other);
        const KeyCode f = XKeysymToKeycode(other.get(), XK_f);
        XGrabKey(other.get(), f, ControlMask | Mod1Mask, DefaultRootWindow(other.get()), False, GrabModeAsync, GrabModeAsync);
        XSync(other.get(), False);

        LinuxHotKeys keys;
        QList<int> ids;
        keys.installHandler([&](int id) { ids.append(id); });
        QVERIFY(keys.registerHotKey(Qt::Key_L, hotKeyControlOption, 1, {}));
        QVERIFY(!keys.registerHotKey(Qt::Key_F, hotKeyControlOption, 2, {}));
        QCOMPARE(keys.refusal(), HotKeyRefusal::taken);
        QVERIFY(keys.registerHotKey(Qt::Key_0, hotKeyControlOption, 3, {}));
        xdotool({"key", "ctrl+alt+f"});
        xdotool({"key", "ctrl+alt+0"});
        xdotool({"key", "ctrl+alt+l"});
        QTRY_COMPARE_WITH_TIMEOUT(ids, QList<int>({3, 1}), 5000);
    }

    // A notice takes neither the focus nor clicks, and stays in front for its
    // time: over windows the program opens after it and over other programs'.
    void toastStaysInFrontWithoutTakingFocusOrClicks()
    {
        ClickTarget target;
        target.setGeometry(200, 200, 600, 300);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));
        target.activateWindow();
        QTRY_COMPARE_WITH_TIMEOUT(focusWindow(), Window(target.winId()), 5000);

        LinuxDesktop desktop;
        std::unique_ptr<ToastPanel> toast = desktop.createToastPanel();
        toast->setText(QStringLiteral("当前是电池供电，已禁止进入挂机"));
        QCOMPARE(toast->size(), QSize(340, 54));
        const QPoint topLeft = target.geometry().center() - QPoint(170, 27);
        toast->moveTo(topLeft);
        toast->showWithoutActivating();
        // Deep green over the window: it is in front.
        const QRect band(topLeft + QPoint(20, 6), QSize(300, 6));
        QTRY_VERIFY_WITH_TIMEOUT(greenIn(screenshot(), band).first == band.width() * band.height(), 5000);
        QTest::qWait(300);
        QCOMPARE(focusWindow(), Window(target.winId()));
        const QPoint click = topLeft + QPoint(170, 27);
        xdotool({"mousemove", QString::number(click.x()), QString::number(click.y()), "click", "1"});
        QTRY_COMPARE_WITH_TIMEOUT(target.presses, QList<QPoint>({click}), 5000);

        QWidget* panel = shownToolTip();
        QVERIFY(panel);
        QWidget dashboard;
        dashboard.setGeometry(200, 200, 600, 400);
        dashboard.show();
        desktop.activateIgnoringOtherApps();
        QVERIFY(QTest::qWaitForWindowExposed(&dashboard));
        QTRY_VERIFY_WITH_TIMEOUT(isAbove(panel, &dashboard), 5000);

        // Another program's window, mapped on top of everything.
        Display* other = display_.get();
        const Window foreign = XCreateSimpleWindow(other, DefaultRootWindow(other), 150, 150, 700, 500, 0, 0,
                                                   WhitePixel(other, DefaultScreen(other)));
        XMapRaised(other, foreign);
        XSync(other, False);
        QTRY_VERIFY_WITH_TIMEOUT(isAbove(panel->winId(), foreign), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(greenIn(screenshot(), band).first == band.width() * band.height(), 5000);
        XDestroyWindow(other, foreign);
        XSync(other, False);
    }

    // The window just opened comes to the front, not whichever was active.
    void theColourPanelOpensAboveTheDashboard()
    {
        LinuxDesktop desktop;
        QWidget dashboard;
        dashboard.setGeometry(100, 100, 700, 600);
        dashboard.show();
        desktop.activateIgnoringOtherApps();
        QVERIFY(QTest::qWaitForWindowExposed(&dashboard));
        QTRY_COMPARE_WITH_TIMEOUT(QApplication::activeWindow(), &dashboard, 5000);

        QtColorPanel colors;
        colors.open(Qt::red, [](const QColor&) {});
        desktop.activateIgnoringOtherApps();
        QWidget* panel = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->inherits("QColorDialog"))
                panel = widget;
        QVERIFY(panel);
        QVERIFY(QTest::qWaitForWindowExposed(panel));
        QTRY_VERIFY_WITH_TIMEOUT(isAbove(panel, &dashboard), 5000);

        // Opened again while the dashboard was brought up over it: to the front again.
        dashboard.raise();
        dashboard.activateWindow();
        QTRY_VERIFY_WITH_TIMEOUT(isAbove(&dashboard, panel), 5000);
        colors.open(Qt::blue, [](const QColor&) {});
        desktop.activateIgnoringOtherApps();
        QTest::qWait(300);
        QVERIFY(isAbove(panel, &dashboard));
    }

    // Last: the saver's short time-out must not blank the screen for the others.
    void keepAwakeHelperHoldsTheSaverOffUntilItStops()
    {
        int event = 0, error = 0;
        QVERIFY(XScreenSaverQueryExtension(display_.get(), &event, &error));
        XSetScreenSaver(display_.get(), saverTimeoutMs / 1000, 0, DefaultBlanking, DefaultExposures);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket"); // never a real lock
        auto helper = PosixKeepAwakeLauncher(helperProgram).launch({QStringLiteral("-d")});
        QVERIFY(helper);
        QTest::qWait(1000); // let it connect before the saver's clock starts again
        resetSaver();
        // Twice the time-out; once on, the saver stays on, as nothing here moves the pointer.
        QTest::qWait(2 * saverTimeoutMs);
        QCOMPARE_NE(saverState(), ScreenSaverOn);
        ::kill(helper->pid(), SIGINT);
        QTRY_VERIFY_WITH_TIMEOUT(!helper->isRunning(), 1500);
        resetSaver();
        QTRY_COMPARE_WITH_TIMEOUT(saverState(), ScreenSaverOn, 2 * saverTimeoutMs);
    }

private:
    // The visible toast panel: the only tool tip window here.
    static QWidget* shownToolTip()
    {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->isVisible() && widget->windowType() == Qt::ToolTip)
                return widget;
        return nullptr;
    }

    // The child of the root that holds window: its frame, if a window manager framed it.
    Window rootChildOf(Window window) const
    {
        for (;;) {
            Window root = 0, parent = 0, *children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display_.get(), window, &root, &parent, &children, &count))
                return 0;
            if (children)
                XFree(children);
            if (parent == root || parent == 0)
                return window;
            window = parent;
        }
    }

    bool isAbove(const QWidget* upper, const QWidget* lower) const { return isAbove(upper->winId(), lower->winId()); }

    // Whether upper is stacked above lower, as the X server has them.
    bool isAbove(Window upper, Window lower) const
    {
        XSync(display_.get(), False);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display_.get(), DefaultRootWindow(display_.get()), &root, &parent, &children, &count))
            return false;
        const std::vector<Window> order(children, children + count); // bottom to top
        XFree(children);
        const auto upperAt = std::ranges::find(order, rootChildOf(upper));
        const auto lowerAt = std::ranges::find(order, rootChildOf(lower));
        return upperAt != order.end() && lowerAt != order.end() && upperAt > lowerAt;
    }

    Window focusWindow() const
    {
        Window focus = 0;
        int revert = 0;
        XGetInputFocus(display_.get(), &focus, &revert);
        return focus;
    }

    unsigned pointerState() const
    {
        Window root = 0, child = 0;
        int x = 0, y = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        XQueryPointer(display_.get(), DefaultRootWindow(display_.get()), &root, &child, &x, &y, &wx, &wy, &mask);
        return mask;
    }

    void resetSaver()
    {
        XForceScreenSaver(display_.get(), ScreenSaverReset);
        XSync(display_.get(), False);
    }

    int saverState()
    {
        XScreenSaverInfo* info = XScreenSaverAllocInfo();
        XScreenSaverQueryInfo(display_.get(), DefaultRootWindow(display_.get()), info);
        const int state = info->state;
        XFree(info);
        return state;
    }

    static constexpr int saverTimeoutMs = 2000;
    XDisplayPointer display_;
};

QTEST_MAIN(LinuxDesktopTest)
#include "tst_linuxdesktop_x11.moc"
