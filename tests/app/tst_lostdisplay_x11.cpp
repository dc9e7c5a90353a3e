// The real program on an X server of the test's own, which the test then
// ends, as a logout does: the mode must end as at Quit, not be left behind.
// (The display CTest gives every _x11 test goes unused.)

#include "support/ProgramUnderTest.h"

#include <QtTest>

using namespace launcher::testing;

namespace {

const QString quitNote = QStringLiteral("应用退出，恢复正常模式");

// An X server that dies with the test.
struct Server {
    ~Server()
    {
        process.kill();
        process.waitForFinished(5000);
    }
    bool start()
    {
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start("Xvfb", {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        if (!process.waitForReadyRead(10000))
            return false;
        display = ":" + QString::fromLatin1(process.readLine().trimmed());
        return display.size() > 1;
    }
    QProcess process;
    QString display;
};

} // namespace

class LostDisplayTest : public QObject {
    Q_OBJECT
private slots:
    void endingTheDisplayStopsTheModeAsQuitDoes_data()
    {
        QTest::addColumn<bool>("forced");
        QTest::newRow("normal") << false;
        // Blackout windows, a hidden cursor and the display's power settings
        // all live on the display that is gone.
        QTest::newRow("forced") << true;
    }
    void endingTheDisplayStopsTheModeAsQuitDoes()
    {
        QFETCH(bool, forced);
        Server server;
        QVERIFY(server.start());
        ProgramUnderTest p;
        if (forced)
            p.environment.remove("PELVANE_TEST_MODE");
        QVERIFY(p.start(server.display));
        QTRY_VERIFY_WITH_TIMEOUT(p.helperIn("normal") != 0, 15000);
        if (forced) {
            QProcess key;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("DISPLAY", server.display);
            key.setProcessEnvironment(environment);
            key.start("xdotool", {"key", "ctrl+alt+f"});
            QVERIFY(key.waitForFinished(10000));
            QTRY_VERIFY_WITH_TIMEOUT(p.helperIn("forced") != 0, 10000);
            QTest::qWait(1500); // blackout and display sleep under way
        }
        const qint32 helper = p.helperIn(forced ? "forced" : "normal");
        QVERIFY(helper != 0);
        const qsizetype entriesBefore = p.history().size();

        server.process.terminate();
        QVERIFY(server.process.waitForFinished(10000));
        QVERIFY2(p.program.waitForFinished(15000), "the program outlived its display");
        QVERIFY2(!isLive(helper), "the keep-awake helper outlived the program");
        QCOMPARE(p.state().value("mode").toString(), QString("off"));
        QVERIFY(!p.state().contains("pid"));
        const QList<QJsonObject> history = p.history();
        QCOMPARE(history.size(), entriesBefore + 1);
        QCOMPARE(history.back().value("action").toString(), QString("disable"));
        QVERIFY2(history.back().value("note").toString().startsWith(quitNote),
                 qPrintable(history.back().value("note").toString()));
    }

    // The ordinary way out still logs its stop once and ends cleanly: the
    // guard for the display is gone by then.
    void aSignalStillQuitsOnceAndCleanly()
    {
        Server server;
        QVERIFY(server.start());
        ProgramUnderTest p;
        QVERIFY(p.start(server.display));
        QTRY_VERIFY_WITH_TIMEOUT(p.helperIn("normal") != 0, 15000);
        const qint32 helper = p.helperIn("normal");
        ::kill(pid_t(p.program.processId()), SIGTERM);
        QVERIFY(p.program.waitForFinished(15000));
        QCOMPARE(p.program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.program.exitCode(), 0);
        QVERIFY(!isLive(helper));
        QCOMPARE(p.history().size(), 2);
        QCOMPARE(p.history().back().value("note").toString(), quitNote);
    }
};

QTEST_GUILESS_MAIN(LostDisplayTest)
#include "tst_lostdisplay_x11.moc"
