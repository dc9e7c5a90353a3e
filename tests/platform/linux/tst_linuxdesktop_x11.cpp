#include "app/StatusGlyph.h"
#include "engine/Constants.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxHotKeys.h"
#include "platform/linux/LinuxStatusItem.h"
#include "platform/linux/LinuxX11.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMouseEvent>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <X11/Xlib.h>
#include <X11/keysym.h>

using namespace launcher;

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

int greenPixels(const QImage& image, const QRect& area)
{
    return greenIn(image, area).first;
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
        QTRY_VERIFY_WITH_TIMEOUT(greenPixels(screenshot(), tray) > 40, 10000);
        const QImage shot = screenshot();
        shot.save(QDir(LAUNCHER_BIN_DIR).filePath(QStringLiteral("tray-screenshot.png")));
        QCOMPARE(greenPixels(shot, screen), greenPixels(shot, tray)); // nowhere else
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
        item.closeMenu(); // closed already: nothing happens

        trayer.terminate();
        QVERIFY(trayer.waitForFinished(5000));
    }

    void hotKeyPressReachesTheHandlerWhateverTheLocks_data()
    {
        QTest::addColumn<QStringList>("locks");
        QTest::addColumn<unsigned>("lockState");
        QTest::newRow("no lock") << QStringList() << 0u;
        QTest::newRow("caps lock") << QStringList{"Caps_Lock"} << unsigned(LockMask);
        QTest::newRow("num lock") << QStringList{"Num_Lock"} << unsigned(Mod2Mask);
        QTest::newRow("both") << QStringList{"Caps_Lock", "Num_Lock"} << unsigned(LockMask | Mod2Mask);
    }

    void hotKeyPressReachesTheHandlerWhateverTheLocks()
    {
        QFETCH(QStringList, locks);
        QFETCH(unsigned, lockState);
        LinuxHotKeys keys;
        QList<int> ids;
        keys.installHandler([&](int id) { ids.append(id); });
        QVERIFY(keys.registerHotKey(37, hotKeyControlOption, 1));
        QVERIFY(keys.registerHotKey(3, hotKeyControlOption, 2));
        QVERIFY(keys.registerHotKey(29, hotKeyControlOption, 3));
        QVERIFY(!keys.registerHotKey(37, hotKeyControlOption, 4)); // ours already

        for (const QString& lock : locks)
            xdotool({"key", lock});
        QCOMPARE(pointerState() & (LockMask | Mod2Mask), lockState);
        xdotool({"key", "ctrl+alt+l"});
        xdotool({"key", "ctrl+alt+0"});
        xdotool({"key", "ctrl+alt+f"});
        xdotool({"key", "ctrl+shift+alt+f"}); // another combination
        QTRY_COMPARE_WITH_TIMEOUT(ids, QList<int>({1, 3, 2}), 5000);
        QTest::qWait(200);
        QCOMPARE(ids.size(), 3);

        keys.unregisterAll();
        xdotool({"key", "ctrl+alt+l"});
        QTest::qWait(300);
        QCOMPARE(ids.size(), 3);
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

    void heldCombinationCountsOnce()
    {
        LinuxHotKeys keys;
        QList<int> ids;
        keys.installHandler([&](int id) { ids.append(id); });
        QVERIFY(keys.registerHotKey(37, hotKeyControlOption, 1));
        // Longer than the auto-repeat delay, so the server repeats the key.
        xdotool({"keydown", "ctrl+alt+l", "sleep", "1.2", "keyup", "l", "sleep", "0.1", "keyup", "ctrl+alt"});
        QTRY_COMPARE_WITH_TIMEOUT(ids, QList<int>({1}), 5000);
        // Released with the modifiers still down: the next press counts again.
        xdotool({"key", "ctrl+alt+l"});
        QTRY_COMPARE_WITH_TIMEOUT(ids, QList<int>({1, 1}), 5000);
        QTest::qWait(200);
        QCOMPARE(ids.size(), 2);
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

        // The variants that were had are given back: the combination is free once the other lets go.
        XUngrabKey(other.get(), f, ControlMask | Mod1Mask, DefaultRootWindow(other.get()));
        XSync(other.get(), False);
        XErrorTrap trap(other.get());
        XGrabKey(other.get(), f, ControlMask | Mod1Mask | LockMask, DefaultRootWindow(other.get()), False, GrabModeAsync,
                 GrabModeAsync);
        QVERIFY(!trap.failed());
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
        toast->setText(QStringLiteral("Forced mode stopped"));
        const QPoint topLeft = target.geometry().center() - QPoint(toast->size().width() / 2, toast->size().height() / 2);
        toast->moveTo(topLeft);
        toast->showWithoutActivating();
        QVERIFY(toast->isShown());
        // Deep green over the window: it is in front.
        const QRect band(topLeft + QPoint(20, 6), QSize(toast->size().width() - 40, 6));
        QTRY_VERIFY_WITH_TIMEOUT(greenPixels(screenshot(), band) == band.width() * band.height(), 5000);
        QTest::qWait(300);
        QCOMPARE(focusWindow(), Window(target.winId()));

        const QPoint click = topLeft + QPoint(toast->size().width() / 2, toast->size().height() / 2);
        xdotool({"mousemove", QString::number(click.x()), QString::number(click.y()), "click", "1"});
        QTRY_COMPARE_WITH_TIMEOUT(target.presses, QList<QPoint>({click}), 5000);
        QVERIFY(toast->isShown());
        QCOMPARE(focusWindow(), Window(target.winId()));
        toast->hide();
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
