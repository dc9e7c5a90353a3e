#include "app/StatusGlyph.h"
#include "engine/Constants.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxHotKeys.h"
#include "platform/linux/LinuxScreens.h"
#include "platform/linux/LinuxStatusItem.h"
#include "platform/linux/LinuxX11.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTest>

// Xlib's macros clash with Qt's names: it comes last.
#include "support/X11Testing.h"

#include <X11/extensions/shape.h>
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

    void blackoutCoversEveryScreenUntilReleased()
    {
        QVERIFY(!screenIsBlack(display_.get()));
        auto windows = LinuxScreens().createBlackoutWindows();
        QCOMPARE(windows.size(), size_t(QGuiApplication::screens().size()));
        QTRY_VERIFY_WITH_TIMEOUT(screenIsBlack(display_.get()), 5000);

        const Window id = QGuiApplication::topLevelWindows().constFirst()->winId();
        XWindowAttributes attributes;
        QVERIFY(XGetWindowAttributes(display_.get(), id, &attributes));
        QVERIFY2(attributes.override_redirect, "the window manager must not place or decorate it");
        // Clicks and moves go through to whatever lies below.
        int rectangles = -1, ordering = 0;
        if (XRectangle* input = XShapeGetRectangles(display_.get(), id, ShapeInput, &rectangles, &ordering))
            XFree(input);
        QCOMPARE(rectangles, 0);

        windows.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!screenIsBlack(display_.get()), 5000);
    }

    void trayShowsTheGlyphAndOpensTheMenuOnEitherClick()
    {
        QProcess trayer;
        trayer.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width",
                                                "120", "--height", "32", "--transparent", "false"});
        QVERIFY(trayer.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 10000);

        LinuxStatusItem item;
        item.setImage(drawStatusGlyph(glyphLook(AwakeMode::normal, activePelvaneGreen(), Qt::red, 2.5), 2.0));
        item.setTitle(QStringLiteral("12:34"));
        QCOMPARE(item.trayIcon().toolTip(), QStringLiteral("12:34"));
        // The icon's own geometry is relative to the tray's window; the picture tells where it is.
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QRect tray(screen.right() - 119, 0, 120, 32);
        QTRY_VERIFY_WITH_TIMEOUT(greenIn(screenshot(), tray).first > 40, 10000);
        const QImage shot = screenshot();
        QCOMPARE(greenIn(shot, screen).first, greenIn(shot, tray).first); // nowhere else
        const QRect icon = greenIn(shot, tray).second;
        QVERIFY2(icon.width() <= 24 && icon.height() <= 24, "scaled to the tray's size");

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
        QVERIFY(keys.registerHotKey(37, hotKeyControlOption, 1));
        QVERIFY(keys.registerHotKey(3, hotKeyControlOption, 2));
        QVERIFY(!keys.registerHotKey(37, hotKeyControlOption, 4)); // ours already

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
        QVERIFY(keys.registerHotKey(37, hotKeyControlOption, 1));
        QVERIFY(!keys.registerHotKey(3, hotKeyControlOption, 2));
        QVERIFY(keys.registerHotKey(29, hotKeyControlOption, 3));
        xdotool({"key", "ctrl+alt+f"});
        xdotool({"key", "ctrl+alt+0"});
        xdotool({"key", "ctrl+alt+l"});
        QTRY_COMPARE_WITH_TIMEOUT(ids, QList<int>({3, 1}), 5000);
    }

    void toastNeitherTakesFocusNorCatchesClicks()
    {
        ClickTarget target;
        target.setGeometry(200, 200, 600, 300);
        target.show();
        QVERIFY(QTest::qWaitForWindowExposed(&target));
        target.activateWindow();
        QTRY_COMPARE_WITH_TIMEOUT(focusWindow(), Window(target.winId()), 5000);

        LinuxDesktop desktop;
        std::unique_ptr<ToastPanel> toast = desktop.createToastPanel();
        toast->setText(QStringLiteral("Forced mode saved about 0.42 kWh ").repeated(12));
        QCOMPARE(toast->size(), QSize(340, 54)); // whatever it says
        const QPoint topLeft = target.geometry().center() - QPoint(toast->size().width() / 2, toast->size().height() / 2);
        toast->moveTo(topLeft);
        toast->showWithoutActivating();
        // Deep green over the window: it is in front.
        const QRect band(topLeft + QPoint(20, 6), QSize(toast->size().width() - 40, 6));
        QTRY_VERIFY_WITH_TIMEOUT(greenIn(screenshot(), band).first == band.width() * band.height(), 5000);
        QTest::qWait(300);
        QCOMPARE(focusWindow(), Window(target.winId()));

        const QPoint click = topLeft + QPoint(toast->size().width() / 2, toast->size().height() / 2);
        xdotool({"mousemove", QString::number(click.x()), QString::number(click.y()), "click", "1"});
        QTRY_COMPARE_WITH_TIMEOUT(target.presses, QList<QPoint>({click}), 5000);
    }

private:
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

    XDisplayPointer display_;
};

QTEST_MAIN(LinuxDesktopTest)
#include "tst_linuxdesktop_x11.moc"
