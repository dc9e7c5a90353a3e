// The real program on the X server CTest gives this test, asked by the real
// command line with no display of its own; and the command line's holds,
// with no menu-bar program at all.

#include "platform/ProcessProbe.h"
#include "support/Files.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

using namespace launcher::testing;

namespace {

const QString program = QStringLiteral(LAUNCHER_BIN_DIR "/launcher");

struct Result {
    int code = -1;
    QString out;
    QString err;
};

// The live processes whose parent is pid.
QList<qint32> childrenOf(qint64 pid)
{
    QList<qint32> children;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const qint32 candidate = entry.toInt(&number);
        if (!number)
            continue;
        const QByteArray stat = readFile("/proc/" + entry + "/stat");
        const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid && isLive(candidate))
            children << candidate;
    }
    return children;
}

QString commandOf(qint32 pid)
{
    return QString::fromUtf8(readFile(QStringLiteral("/proc/%1/comm").arg(pid))).trimmed();
}

class Fixture {
public:
    Fixture()
    {
        QDir(home.path()).mkpath("run");
        ::chmod(QFile::encodeName(home.filePath("run")).constData(), 0700);
        support = home.filePath(".local/share/PelvaneWakehold");
        // The command line as from a terminal with no display.
        cli = QProcessEnvironment::systemEnvironment();
        cli.insert("HOME", home.path());
        cli.insert("XDG_RUNTIME_DIR", home.filePath("run"));
        cli.remove("XDG_DATA_HOME");
        cli.remove("DISPLAY");
        cli.remove("WAYLAND_DISPLAY");
        cli.remove("QT_QPA_PLATFORM");
        cli.insert("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        cli.insert("PELVANE_TEST_MODE", "1");
    }
    ~Fixture()
    {
        for (qint32 helper : helpers)
            if (isLive(helper))
                ::kill(helper, SIGTERM);
        if (tray.state() != QProcess::NotRunning) {
            tray.terminate();
            if (!tray.waitForFinished(10000))
                tray.kill();
        }
    }

    bool startTray(const QByteArray& prefs = {})
    {
        if (!prefs.isEmpty()) {
            QDir().mkpath(support);
            writeFile(support + "/prefs.json", prefs);
        }
        QProcessEnvironment environment = cli;
        environment.insert("DISPLAY", qEnvironmentVariable("DISPLAY"));
        environment.insert("QT_QPA_PLATFORM", "xcb");
        tray.setProcessEnvironment(environment);
        tray.setProcessChannelMode(QProcess::ForwardedChannels);
        tray.start(program, {});
        if (!tray.waitForStarted(10000))
            return false;
        // Answering once it has launched (and started normal mode).
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < 20000) {
            if (run({"status"}).out.startsWith("mode: normal"))
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    Result run(const QStringList& arguments, int timeoutMs = 20000)
    {
        QProcess process;
        process.setProcessEnvironment(cli);
        process.start(program, arguments);
        Result result;
        if (!process.waitForFinished(timeoutMs)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.code = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    QJsonObject json(const QStringList& arguments)
    {
        const Result result = run(arguments + QStringList{"--json"});
        if (result.code != 0)
            return {};
        return QJsonDocument::fromJson(result.out.toUtf8()).object();
    }

    QTemporaryDir home;
    QString support;
    QProcessEnvironment cli;
    QProcess tray;
    QSet<qint32> helpers;
};

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT
private slots:
    void everyCommandRoundTripsToTheRunningProgram()
    {
        Fixture f;
        QVERIFY(f.startTray());

        Result status = f.run({"status"});
        QCOMPARE(status.code, 0);
        QVERIFY2(QRegularExpression("^mode: normal\nelapsed: 0:00:\\d\\d\nremaining: no timed stop\nholds: .+\n$")
                     .match(status.out)
                     .hasMatch(),
                 qPrintable(status.out));

        QJsonObject now = f.json({"status"});
        QCOMPARE(now.value("mode").toString(), QString("normal"));
        const qint32 first = now.value("pid").toInt();
        QVERIFY(isLive(first));
        f.helpers << first;

        now = f.json({"normal", "2h"});
        QCOMPARE(now.value("mode").toString(), QString("normal"));
        QVERIFY(now.value("remaining").toDouble() > 7190 && now.value("remaining").toDouble() <= 7200);
        QCOMPARE(now.value("pid").toInt(), first); // the same mode goes on

        now = f.json({"forced", "90s"});
        QCOMPARE(now.value("mode").toString(), QString("forced"));
        QVERIFY(now.value("remaining").toDouble() > 80 && now.value("remaining").toDouble() <= 90);
        const qint32 forcedHelper = now.value("pid").toInt();
        f.helpers << forcedHelper;
        QVERIFY(isLive(forcedHelper));
        QVERIFY(!isLive(first));

        Result off = f.run({"off"});
        QCOMPARE(off.code, 0);
        QCOMPARE(off.out, QString("mode: off\n"));
        QVERIFY(!isLive(forcedHelper));
        QCOMPARE(QJsonDocument::fromJson(readFile(f.support + "/state.json")).object().value("mode").toString(),
                 QString("off"));
        // Logged as from the menu.
        const QByteArray history = readFile(f.support + "/history.jsonl");
        QCOMPARE(history.count("\"action\":\"enable\""), 2);
        QVERIFY(history.trimmed().split('\n').last().contains("\"action\":\"disable\""));

        const Result dashboard = f.run({"dashboard"});
        QCOMPARE(dashboard.code, 0);
        QCOMPARE(dashboard.out, QString());

        // Errors: on the command line, not sent.
        Result wrong = f.run({"sleep"});
        QCOMPARE(wrong.code, 2);
        QVERIFY(wrong.err.startsWith("launcher: unknown command 'sleep'"));
        wrong = f.run({"normal", "2 hours"});
        QCOMPARE(wrong.code, 2);
        QVERIFY(wrong.err.contains("bad duration"));
        QCOMPARE(f.json({"status"}).value("mode").toString(), QString("off"));

        // No program of this user there: told at once.
        f.tray.terminate();
        QVERIFY(f.tray.waitForFinished(10000));
        QElapsedTimer asked;
        asked.start();
        const Result nobody = f.run({"status"});
        QCOMPARE(nobody.code, 3);
        QVERIFY(nobody.err.contains("not running"));
        QVERIFY(asked.elapsed() < 5000);
    }

    void aRefusedStartIsTheRefusalsTextAndExitOne()
    {
        Fixture f;
        QVERIFY(f.startTray(R"({"language":"english","requireMoviePlayback":true})"));
        QVERIFY(f.run({"off"}).code == 0);
        const Result refused = f.run({"normal", "15m"});
        QCOMPARE(refused.code, 1);
        QCOMPARE(refused.err, QString("launcher: No movie playback detected, awake mode is blocked\n"));
        QCOMPARE(f.json({"status"}).value("mode").toString(), QString("off"));
        QVERIFY(f.json({"status"}).value("stopAt").isNull());
    }

    void aCommandIsHeldWhileItRunsAndItsStatusIsReturned()
    {
        Fixture f; // no menu-bar program, no display
        Result held = f.run({"--", "sh", "-c", "ps -o pid=,comm= --ppid $PPID; exit 5"});
        QCOMPARE(held.code, 5);
        qint32 helper = 0;
        for (const QString& line : held.out.split('\n', Qt::SkipEmptyParts))
            if (line.contains("launcher-keep"))
                helper = line.simplified().section(' ', 0, 0).toInt();
        QVERIFY2(helper > 0, qPrintable(held.out));
        f.helpers << helper;
        QVERIFY(!isLive(helper));

        QCOMPARE(f.run({"--", "sh", "-c", "kill -KILL $$"}).code, 128 + SIGKILL);
        const Result missing = f.run({"--", "no-such-command-here"});
        QCOMPARE(missing.code, 127);
        QVERIFY(missing.err.contains("cannot run no-such-command-here"));
    }

    void aSignalToTheCommandLineEndsCommandAndHelper()
    {
        Fixture f;
        QProcess cli;
        cli.setProcessEnvironment(f.cli);
        cli.start(program, {"--", "sleep", "30"});
        QVERIFY(cli.waitForStarted());
        QList<qint32> children;
        QTRY_VERIFY_WITH_TIMEOUT((children = childrenOf(cli.processId())).size() == 2, 10000);
        for (qint32 child : children)
            f.helpers << child;
        QStringList names;
        for (qint32 child : children)
            names << commandOf(child);
        names.sort();
        QCOMPARE(names, (QStringList{"launcher-keepaw", "sleep"}));

        ::kill(qint32(cli.processId()), SIGTERM);
        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
        QCOMPARE(cli.exitCode(), 128 + SIGTERM);
        for (qint32 child : children)
            QVERIFY2(!isLive(child), qPrintable(commandOf(child)));
    }

    void whileAProcessRunsTheHelperHolds()
    {
        Fixture f;
        QProcess watched;
        watched.start("sleep", {"1.5"});
        QVERIFY(watched.waitForStarted());
        const qint64 watchedPid = watched.processId();
        QProcess cli;
        cli.setProcessEnvironment(f.cli);
        cli.start(program, {"--while", QString::number(watchedPid)});
        QVERIFY(cli.waitForStarted());
        QList<qint32> children;
        QTRY_VERIFY_WITH_TIMEOUT((children = childrenOf(cli.processId())).size() == 1, 5000);
        f.helpers << children.front();
        QCOMPARE(commandOf(children.front()), QString("launcher-keepaw"));
        QVERIFY(cli.state() == QProcess::Running);

        QVERIFY(cli.waitForFinished(10000));
        QCOMPARE(cli.exitCode(), 0);
        QVERIFY(!isLive(children.front()));
        watched.waitForFinished();

        const Result gone = f.run({"--while", QString::number(watchedPid)});
        QCOMPARE(gone.code, 2);
        QVERIFY(gone.err.contains("no process"));
    }

    void helpAndVersionNeedNoDisplay()
    {
        Fixture f;
        const Result help = f.run({"--help"});
        QCOMPARE(help.code, 0);
        QVERIFY(help.out.startsWith("Usage: launcher"));
        QVERIFY(help.out.contains("Exit status:"));
        const Result version = f.run({"--version"});
        QCOMPARE(version.code, 0);
        QCOMPARE(version.out, QString("launcher 1.15.0\n"));
    }
};

QTEST_GUILESS_MAIN(CommandsTest)
#include "tst_commands_x11.moc"
