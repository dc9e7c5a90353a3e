// The program itself on a Wayland compositor, whose portal (if any) offers no
// global shortcuts: it says so once and keeps running.

#include "support/ProgramUnderTest.h"

#include <QtTest>

using namespace launcher::testing;

class HotKeysWaylandTest : public QObject {
    Q_OBJECT
private slots:
    void withoutGlobalShortcutsTheProgramSaysSoOnce()
    {
        QVERIFY2(!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"), "runs under a compositor");
        ProgramUnderTest program;
        program.environment.insert("LC_ALL", "en_US.UTF-8");
        QVERIFY(program.startInSession());
        const QString line = QStringLiteral("launcher: this desktop offers no global hot keys; every command stays in the menu");
        // An activated portal may take a while to find it has no such backend.
        QTRY_VERIFY2_WITH_TIMEOUT(program.errors().contains(line), qPrintable(program.errors()), 40000);
        QTest::qWait(1500);
        QVERIFY2(program.program.state() == QProcess::Running, qPrintable(program.errors()));
        QCOMPARE(program.errors().count(line), 1);
        // Not as though another program held the keys, which Wayland has no way to say.
        QVERIFY2(!program.errors().contains(QStringLiteral("another program")), qPrintable(program.errors()));
        program.stop();
        QVERIFY2(program.program.exitStatus() == QProcess::NormalExit, qPrintable(program.errors()));
    }
};

QTEST_GUILESS_MAIN(HotKeysWaylandTest)
#include "tst_hotkeys_wayland.moc"
