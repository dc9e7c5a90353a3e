// The keep-awake helper against a real X server's screen saver.

#include "HelperTesting.h"

#include <QElapsedTimer>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include <csignal>

using namespace launcher::testing;

namespace {

constexpr int saverTimeoutSeconds = 2;
// Twice the saver's time-out: long enough for it to have come on.
constexpr int watchMs = 2 * saverTimeoutSeconds * 1000;

} // namespace

class KeepAwakeX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        display_ = XOpenDisplay(nullptr);
        QVERIFY2(display_, "needs an X server in DISPLAY");
        int event = 0, error = 0;
        QVERIFY(XScreenSaverQueryExtension(display_, &event, &error));
        XSetScreenSaver(display_, saverTimeoutSeconds, 0, DefaultBlanking, DefaultExposures);
        XSync(display_, False);
    }

    void cleanupTestCase()
    {
        if (display_)
            XCloseDisplay(display_);
    }

    void init()
    {
        XForceScreenSaver(display_, ScreenSaverReset);
        XSync(display_, False);
    }

    void saverComesOnWithoutTheHelper()
    {
        // Checks the set-up itself: otherwise "stays off" below proves nothing.
        QTRY_COMPARE_WITH_TIMEOUT(saverState(), ScreenSaverOn, watchMs);
    }

    void displayFlagHoldsTheSaverOffUntilTheHelperEnds()
    {
        QProcess helper;
        startHelper(helper, {QStringLiteral("-dims")});
        QVERIFY(helper.waitForStarted());
        QTest::qWait(1000); // let it connect before the saver's clock starts again
        init();

        QElapsedTimer watching;
        watching.start();
        while (watching.elapsed() < watchMs) {
            QVERIFY2(saverState() != ScreenSaverOn,
                     qPrintable(QStringLiteral("screen saver came on after %1 ms").arg(watching.elapsed())));
            QTest::qWait(100);
        }
        QCOMPARE(helper.state(), QProcess::Running);

        helper.terminate();
        QVERIFY(helper.waitForFinished(3000));
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(saverState(), ScreenSaverOn, watchMs);
    }

    void forcedModeFlagsLeaveTheDisplayFree()
    {
        QProcess helper;
        startHelper(helper, {QStringLiteral("-i"), QStringLiteral("-m")});
        QVERIFY(helper.waitForStarted());
        QTest::qWait(500);
        init();
        QTRY_COMPARE_WITH_TIMEOUT(saverState(), ScreenSaverOn, watchMs);
        QCOMPARE(helper.state(), QProcess::Running);
        helper.terminate();
        QVERIFY(helper.waitForFinished(3000));
        QCOMPARE(helper.exitCode(), 0);
    }

    void interruptReleasesTheSaverToo()
    {
        QProcess helper;
        startHelper(helper, {QStringLiteral("-d")});
        QVERIFY(helper.waitForStarted());
        QTest::qWait(500);
        ::kill(pid_t(helper.processId()), SIGINT);
        QVERIFY(helper.waitForFinished(3000));
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), 0);
        init();
        QTRY_COMPARE_WITH_TIMEOUT(saverState(), ScreenSaverOn, watchMs);
    }

    void checkReportsTheXServer()
    {
        QProcess check;
        startHelper(check, {QStringLiteral("--check")});
        QVERIFY(check.waitForFinished(3000));
        QCOMPARE(check.exitStatus(), QProcess::NormalExit);
        QCOMPARE(check.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(check.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("x11-screensaver: available"));
        QVERIFY(lines[1].startsWith(QStringLiteral("freedesktop-screensaver: unavailable: ")));
        QVERIFY(lines[2].startsWith(QStringLiteral("logind: unavailable: ")));
    }

private:
    int saverState()
    {
        XScreenSaverInfo* info = XScreenSaverAllocInfo();
        XScreenSaverQueryInfo(display_, DefaultRootWindow(display_), info);
        const int state = info->state;
        XFree(info);
        return state;
    }

    Display* display_ = nullptr;
};

QTEST_GUILESS_MAIN(KeepAwakeX11Test)
#include "tst_keepawake_x11.moc"
