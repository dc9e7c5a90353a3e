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
#include "support/Files.h"
#include "support/X11Testing.h"

#include <signal.h>

using namespace launcher;
using namespace launcher::testing;

class ForcedModeX11Test : public QObject {
    Q_OBJECT
private slots:
    void mouseMoveAfterGraceEndsForcedMode()
    {
        QTemporaryDir home;
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("PELVANE_TEST_MODE");
        const XDisplayPointer display = openXDisplay();
        QVERIFY(display);
        paintRootWhite(display.get());
        QVERIFY(!screenIsBlack(display.get()));

        SystemPlatform machine;
        StateStore store(machine.platform());
        store.changePreferences([&](Preferences& p) { p.muteInForced = false; });
        store.enable(AwakeMode::forced);
        QVERIFY(store.isActive());
        const qint32 helper = *store.pid();
        QTRY_VERIFY_WITH_TIMEOUT(screenIsBlack(display.get()), 3000);
        QTest::qWait(4000); // past the grace period, with no input
        QCOMPARE(store.mode(), AwakeMode::forced);

        QCOMPARE(QProcess::execute("xdotool", {"mousemove_relative", "--", "7", "7"}), 0);
        QElapsedTimer sinceInput;
        sinceInput.start();
        QTRY_VERIFY_WITH_TIMEOUT(!screenIsBlack(display.get()), 2000);
        QVERIFY2(sinceInput.elapsed() < 500, qPrintable(QString::number(sinceInput.elapsed()) + " ms"));
        QCOMPARE(store.mode(), AwakeMode::off);
        QVERIFY2(kill(helper, 0) != 0, "the keep-awake helper has ended");
        QVERIFY(testing::historyEntries(store.historyFile()).back().note.startsWith(QString("检测到鼠标/键盘，自动恢复正常模式；")));
    }
};

QTEST_MAIN(ForcedModeX11Test)
#include "tst_forcedmode_x11.moc"
