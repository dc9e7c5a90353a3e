// The keep-awake helper against a real X server's screen saver.

#include "../ProcessProbe.h"

#include <QtTest>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <memory>

using namespace launcher::testing;

class KeepAwakeX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(display_, "needs an X server in DISPLAY");
        int event = 0, error = 0;
        QVERIFY(XScreenSaverQueryExtension(display_.get(), &event, &error));
        XSetScreenSaver(display_.get(), saverTimeoutMs / 1000, 0, DefaultBlanking, DefaultExposures);
    }

    void saverIsHeldOffUntilTheHelperStops()
    {
        QProcess helper;
        startHelper(helper, {QStringLiteral("-d")});
        QVERIFY(helper.waitForStarted());
        QTest::qWait(1000); // let it connect before the saver's clock starts again
        resetSaver();
        // Twice the time-out; once on, the saver stays on, as nothing here moves the pointer.
        QTest::qWait(2 * saverTimeoutMs);
        QCOMPARE_NE(saverState(), ScreenSaverOn);
        QVERIFY(stopsCleanly(helper, SIGINT, 3000));
        resetSaver();
        QTRY_COMPARE_WITH_TIMEOUT(saverState(), ScreenSaverOn, 2 * saverTimeoutMs);
    }

    void checkReportsTheXServer()
    {
        QProcess check;
        startHelper(check, {QStringLiteral("--check")});
        QVERIFY(check.waitForFinished(3000));
        QCOMPARE(check.exitCode(), 0);
        const QList<QByteArray> lines = check.readAllStandardOutput().split('\n');
        QCOMPARE(lines.size(), 4); // three, each with its newline
        QCOMPARE(lines[0], "x11-screensaver: available");
        QVERIFY(lines[2].startsWith("logind: unavailable: "));
    }

private:
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
    std::unique_ptr<Display, int (*)(Display*)> display_{XOpenDisplay(nullptr), XCloseDisplay};
};

QTEST_GUILESS_MAIN(KeepAwakeX11Test)
#include "tst_keepawake_x11.moc"
