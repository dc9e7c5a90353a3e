// The real program on an X server of the test's own, which the test then
// ends, as a logout does: the mode must end as at Quit, not be left behind.
// (The display CTest gives every _x11 test goes unused.)

#include "platform/ProcessProbe.h"
#include "support/Files.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

using namespace launcher::testing;

namespace {

const QString quitNote = QStringLiteral("应用退出，恢复正常模式");

QList<QJsonObject> historyOf(const QString& support)
{
    QList<QJsonObject> entries;
    for (const QByteArray& line : readFile(support + "/history.jsonl").split('\n'))
        if (!line.isEmpty())
            entries << QJsonDocument::fromJson(line).object();
    return entries;
}

// One X server and one program on it, both ended by the test.
class Session {
public:
    ~Session()
    {
        // A helper left behind by a failure is the test's to end.
        for (qint32 helper : helpers)
            if (isLive(helper))
                ::kill(helper, SIGTERM);
        for (QProcess* process : {&program, &server}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
    }

    bool startServer()
    {
        server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        server.start("Xvfb", {"-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp"});
        if (!server.waitForReadyRead(10000))
            return false;
        display = ":" + QString::fromLatin1(server.readLine().trimmed());
        return display.size() > 1;
    }

    bool startProgram(bool testMode)
    {
        support = home.filePath(".local/share/PelvaneWakehold");
        const QString runtime = home.filePath("run");
        QDir().mkpath(runtime);
        ::chmod(QFile::encodeName(runtime).constData(), 0700);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("HOME", home.path());
        environment.insert("XDG_RUNTIME_DIR", runtime);
        environment.remove("XDG_DATA_HOME");
        environment.insert("DISPLAY", display);
        environment.insert("QT_QPA_PLATFORM", "xcb");
        environment.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        if (testMode)
            environment.insert("PELVANE_TEST_MODE", "1");
        else
            environment.remove("PELVANE_TEST_MODE");
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(LAUNCHER_BIN_DIR "/launcher"), {});
        return program.waitForStarted(10000);
    }

    QJsonObject state() const
    {
        return QJsonDocument::fromJson(readFile(support + "/state.json")).object();
    }

    // The keep-awake helper of the running mode, once there is one.
    qint32 helperIn(const QString& mode)
    {
        const QJsonObject now = state();
        const qint32 pid = now.value("pid").toInt();
        if (now.value("mode").toString() != mode || !isLive(pid))
            return 0;
        helpers.insert(pid);
        return pid;
    }

    QTemporaryDir home;
    QString support;
    QString display;
    QProcess server;
    QProcess program;
    QSet<qint32> helpers;
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
        Session session;
        QVERIFY(session.startServer());
        QVERIFY(session.startProgram(!forced));
        QTRY_VERIFY_WITH_TIMEOUT(session.helperIn("normal") != 0, 15000);
        if (forced) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("DISPLAY", session.display);
            QProcess key;
            key.setProcessEnvironment(environment);
            key.start("xdotool", {"key", "ctrl+alt+f"});
            QVERIFY(key.waitForFinished(10000));
            QTRY_VERIFY_WITH_TIMEOUT(session.helperIn("forced") != 0, 10000);
            QTest::qWait(1500); // blackout and display sleep under way
        }
        const qint32 helper = session.helperIn(forced ? "forced" : "normal");
        QVERIFY(helper != 0);
        const qsizetype entriesBefore = historyOf(session.support).size();

        session.server.terminate();
        QVERIFY(session.server.waitForFinished(10000));
        QVERIFY2(session.program.waitForFinished(15000), "the program outlived its display");

        QVERIFY2(!isLive(helper), "the keep-awake helper outlived the program");
        QCOMPARE(session.state().value("mode").toString(), QString("off"));
        QVERIFY(!session.state().contains("pid"));
        const QList<QJsonObject> history = historyOf(session.support);
        QCOMPARE(history.size(), entriesBefore + 1);
        QCOMPARE(history.back().value("action").toString(), QString("disable"));
        QVERIFY2(history.back().value("note").toString().startsWith(quitNote),
                 qPrintable(history.back().value("note").toString()));
    }

    // The ordinary way out still logs its stop once and ends cleanly: the
    // guard for the display is gone by then.
    void aSignalStillQuitsOnceAndCleanly()
    {
        Session session;
        QVERIFY(session.startServer());
        QVERIFY(session.startProgram(true));
        QTRY_VERIFY_WITH_TIMEOUT(session.helperIn("normal") != 0, 15000);
        const qint32 helper = session.helperIn("normal");

        ::kill(pid_t(session.program.processId()), SIGTERM);
        QVERIFY(session.program.waitForFinished(15000));
        QCOMPARE(session.program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.program.exitCode(), 0);
        QVERIFY(!isLive(helper));
        const QList<QJsonObject> history = historyOf(session.support);
        QCOMPARE(history.size(), 2);
        QCOMPARE(history.back().value("note").toString(), quitNote);
    }
};

QTEST_GUILESS_MAIN(LostDisplayTest)
#include "tst_lostdisplay_x11.moc"
