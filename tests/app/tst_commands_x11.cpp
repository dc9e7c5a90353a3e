// The real program on the X server CTest gives this test, asked by the real
// command line with no display of its own; and the command line's holds,
// with no menu-bar program at all.

#include "support/ProgramUnderTest.h"

#include <QElapsedTimer>
#include <QtTest>

using namespace launcher::testing;

namespace {

// The live processes whose parent is pid.
QList<qint32> childrenOf(qint64 pid)
{
    QList<qint32> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        const QByteArray stat = readFile("/proc/" + entry + "/stat");
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid && isLive(entry.toInt()))
            children << entry.toInt();
    }
    return children;
}

QString commandOf(qint32 pid)
{
    return QString::fromUtf8(readFile(QStringLiteral("/proc/%1/comm").arg(pid))).trimmed();
}

// The menu-bar program, once it answers (and has started normal mode).
bool startTray(ProgramUnderTest& p, const QByteArray& prefs = {})
{
    if (!prefs.isEmpty()) {
        QDir().mkpath(p.support());
        writeFile(p.support() + "/prefs.json", prefs);
    }
    p.program.setProcessChannelMode(QProcess::ForwardedChannels);
    if (!p.start(qEnvironmentVariable("DISPLAY")))
        return false;
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 20000) {
        if (p.run({"status"}).out.startsWith("mode: normal"))
            return true;
        QTest::qWait(100);
    }
    return false;
}

QJsonObject json(ProgramUnderTest& p, const QStringList& arguments)
{
    const auto result = p.run(arguments + QStringList{"--json"});
    return result.code == 0 ? QJsonDocument::fromJson(result.out.toUtf8()).object() : QJsonObject();
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void everyCommandRoundTripsToTheRunningProgram()
    {
        ProgramUnderTest p;
        QVERIFY(startTray(p));
        const auto status = p.run({"status"});
        QCOMPARE(status.code, 0);
        QVERIFY2(QRegularExpression("^mode: normal\nelapsed: 0:00:\\d\\d\nremaining: no timed stop\nholds: .+\n$")
                     .match(status.out)
                     .hasMatch(),
                 qPrintable(status.out));

        QJsonObject now = json(p, {"normal", "2h"});
        QCOMPARE(now.value("mode").toString(), QString("normal"));
        QVERIFY(now.value("remaining").toDouble() > 7190 && now.value("remaining").toDouble() <= 7200);
        const qint32 first = now.value("pid").toInt();
        p.helpers << first;
        QVERIFY(isLive(first));

        now = json(p, {"forced", "90s"});
        QCOMPARE(now.value("mode").toString(), QString("forced"));
        const qint32 forcedHelper = now.value("pid").toInt();
        p.helpers << forcedHelper;
        QVERIFY(isLive(forcedHelper) && !isLive(first));

        const auto off = p.run({"off"});
        QCOMPARE(off.code, 0);
        QCOMPARE(off.out, QString("mode: off\n"));
        QVERIFY(!isLive(forcedHelper));
        QCOMPARE(p.state().value("mode").toString(), QString("off"));
        // Logged as from the menu.
        const QList<QJsonObject> history = p.history();
        QCOMPARE(history.size(), 3);
        QCOMPARE(history.back().value("action").toString(), QString("disable"));

        // Errors: on the command line, not sent.
        const auto wrong = p.run({"normal", "2 hours"});
        QCOMPARE(wrong.code, 2);
        QVERIFY(wrong.err.contains("bad duration"));
        QCOMPARE(json(p, {"status"}).value("mode").toString(), QString("off"));

        // No program of this user there: told at once.
        p.stop();
        QElapsedTimer asked;
        asked.start();
        const auto nobody = p.run({"status"});
        QCOMPARE(nobody.code, 3);
        QVERIFY(nobody.err.contains("not running"));
        QVERIFY(asked.elapsed() < 5000);
    }

    void aRefusedStartIsTheRefusalsTextAndExitOne()
    {
        ProgramUnderTest p;
        QVERIFY(startTray(p, R"({"language":"english","requireMoviePlayback":true})"));
        QCOMPARE(p.run({"off"}).code, 0);
        const auto refused = p.run({"normal", "15m"});
        QCOMPARE(refused.code, 1);
        QCOMPARE(refused.err, QString("launcher: No movie playback detected, awake mode is blocked\n"));
        QCOMPARE(json(p, {"status"}).value("mode").toString(), QString("off"));
    }

    void aCommandIsHeldWhileItRunsAndItsStatusIsReturned()
    {
        ProgramUnderTest p; // no menu-bar program, no display
        const auto held = p.run({"--", "sh", "-c", "ps -o pid=,comm= --ppid $PPID; exit 5"});
        QCOMPARE(held.code, 5);
        qint32 helper = 0;
        for (const QString& line : held.out.split('\n', Qt::SkipEmptyParts))
            if (line.contains("launcher-keep"))
                helper = line.simplified().section(' ', 0, 0).toInt();
        QVERIFY2(helper > 0, qPrintable(held.out));
        p.helpers << helper;
        QVERIFY(!isLive(helper));

        QCOMPARE(p.run({"--", "sh", "-c", "kill -KILL $$"}).code, 128 + SIGKILL);
        const auto missing = p.run({"--", "no-such-command-here"});
        QCOMPARE(missing.code, 127);
        QVERIFY(missing.err.contains("cannot run no-such-command-here"));
    }

    // A signal to the command line ends the work and the helper; a watched
    // process ending lets the helper go.
    void theHelperLivesExactlyAsLongAsTheWork_data()
    {
        QTest::addColumn<bool>("watch");
        QTest::newRow("command, signalled") << false;
        QTest::newRow("--while, ending") << true;
    }
    void theHelperLivesExactlyAsLongAsTheWork()
    {
        QFETCH(bool, watch);
        ProgramUnderTest p;
        QProcess watched, cli;
        watched.start("sleep", {"1.5"});
        QVERIFY(watched.waitForStarted());
        cli.setProcessEnvironment(p.environment);
        cli.start(p.path, watch ? QStringList{"--while", QString::number(watched.processId())} : QStringList{"--", "sleep", "30"});
        QVERIFY(cli.waitForStarted());
        QList<qint32> children;
        QTRY_VERIFY_WITH_TIMEOUT((children = childrenOf(cli.processId())).size() == (watch ? 1 : 2), 10000);
        QStringList names;
        for (qint32 child : children)
            names << commandOf(child);
        names.sort();
        p.helpers = QSet<qint32>(children.begin(), children.end());
        QCOMPARE(names, (watch ? QStringList{"launcher-keepaw"} : QStringList{"launcher-keepaw", "sleep"}));

        if (!watch)
            ::kill(qint32(cli.processId()), SIGTERM);
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), watch ? 0 : 128 + SIGTERM);
        for (qint32 child : children)
            QVERIFY2(!isLive(child), qPrintable(commandOf(child)));
        watched.waitForFinished();
        const auto gone = p.run({"--while", QString::number(watched.processId())});
        QCOMPARE(gone.code, 2);
    }
};

QTEST_GUILESS_MAIN(CommandsTest)
#include "tst_commands_x11.moc"
