// Forced mode on the real X11 machine: the real keep-awake helper, real
// blackout windows and real input from xdotool.

#include "engine/StateStore.h"
#include "platform/SystemPlatform.h"
#include "platform/linux/LinuxX11.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

// Xlib's macros clash with Qt's names: it comes last.
#include "support/X11Testing.h"

#include <signal.h>

using namespace launcher;
using namespace launcher::testing;

class ForcedModeX11Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(home_.isValid());
        qputenv("HOME", home_.path().toUtf8());
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("PELVANE_TEST_MODE");
        display_ = openXDisplay();
        QVERIFY(display_);
        paintRootWhite(display_.get());
        QVERIFY(!screenIsBlack(display_.get()));
    }

    void mouseMoveAfterGraceEndsForcedMode()
    {
        SystemPlatform machine;
        StateStore store(machine.platform());
        store.muteInForced = false;
        store.enable(AwakeMode::forced);
        QCOMPARE(store.mode, AwakeMode::forced);
        QVERIFY(store.isActive());
        const qint32 helper = *store.pid;
        QTRY_VERIFY_WITH_TIMEOUT(screenIsBlack(display_.get()), 3000);
        QVERIFY(store.cursorHidden);

        QTest::qWait(4000); // past the grace period, with no input
        QCOMPARE(store.mode, AwakeMode::forced);
        QVERIFY(screenIsBlack(display_.get()));

        QCOMPARE(QProcess::execute("xdotool", {"mousemove_relative", "--", "7", "7"}), 0);
        QElapsedTimer sinceInput;
        sinceInput.start();
        QTRY_VERIFY_WITH_TIMEOUT(!screenIsBlack(display_.get()), 2000);
        QVERIFY2(sinceInput.elapsed() < 500, qPrintable(QString::number(sinceInput.elapsed()) + " ms"));
        QCOMPARE(store.mode, AwakeMode::off);
        QVERIFY(!store.cursorHidden);
        QVERIFY(store.overlayWindows.empty());
        QVERIFY2(kill(helper, 0) != 0, "the keep-awake helper has ended");

        const auto history = store.loadHistoryEntries();
        QCOMPARE(history.size(), size_t(2));
        QVERIFY(history[1].note.startsWith(QString("检测到鼠标/键盘，自动恢复正常模式；")));
    }

private:
    QTemporaryDir home_;
    XDisplayPointer display_;
};

QTEST_MAIN(ForcedModeX11Test)
#include "tst_forcedmode_x11.moc"
