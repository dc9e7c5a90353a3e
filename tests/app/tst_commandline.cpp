// The command line, the socket's request lines and their answers from the
// delegate on a fake machine, the holds with a fake helper and waiter, and
// a seeded fuzz of the request parser and of a live socket.

#include "app/CommandLine.h"
#include "app/HoldAwake.h"
#include "app/RemoteCommands.h"
#include "app/SingleInstance.h"
#include "support/AppFixture.h"
#include "support/FakeProcessWaiter.h"

#include <QJsonDocument>
#include <QLocalSocket>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

namespace {

using Duration = std::optional<std::optional<double>>;

QString describe(const Invocation& invocation)
{
    if (const auto* send = std::get_if<RemoteCommand>(&invocation))
        return "send " + QString::fromUtf8(send->line) + (send->json ? " json" : "");
    if (const auto* hold = std::get_if<HoldWhileProcess>(&invocation))
        return QStringLiteral("while %1").arg(hold->pid);
    if (const auto* hold = std::get_if<HoldWhileCommand>(&invocation))
        return "run " + hold->command.join(QLatin1Char('|'));
    return QStringList{"tray", "help", "version", "selftest", "usage"}.value(int(invocation.index()));
}

QJsonObject okStatus(const QByteArray& answer)
{
    if (!answer.startsWith("ok "))
        return {};
    return QJsonDocument::fromJson(answer.mid(3)).object();
}

// Random lines that look like requests, garbage, control bytes and overlong runs.
QByteArray randomLine(QRandomGenerator& random)
{
    static const QByteArrayList words = {"status", "normal", "forced", "off", "dashboard", "show", "2h", "90s",
                                         "unlimited", "0s", "4w", "1w", " ", "\t", "\r", "\xff\xfe", "é", "%s",
                                         QByteArray(1, '\0')};
    QByteArray line;
    switch (random.bounded(4)) {
    case 0: // words of the protocol, joined oddly
        for (int i = random.bounded(1, 4); i > 0; --i)
            line += words[random.bounded(words.size())] + (random.bounded(3) ? " " : "");
        break;
    case 1: // any bytes but the line feed
        for (int i = random.bounded(1, 200); i > 0; --i) {
            char byte = char(random.bounded(256));
            line += byte == '\n' ? 'x' : byte;
        }
        break;
    case 2: // longer than any request
        line = QByteArray(random.bounded(4000, 20000), char(random.bounded(32, 127)));
        break;
    default: // a real request with one byte changed
        line = words[random.bounded(6)];
        line[random.bounded(line.size())] = char(random.bounded(1, 256));
        line.replace('\n', 'x');
    }
    return line;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
private slots:
    void durations_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Duration>("expected");
        const Duration bad;
        QTest::newRow("seconds") << "90s" << Duration(90.0);
        QTest::newRow("hours") << "2h" << Duration(7200.0);
        QTest::newRow("longest") << "3w" << Duration(1814400.0);
        QTest::newRow("unlimited") << "unlimited" << Duration(std::optional<double>());
        QTest::newRow("zero") << "0m" << bad;
        QTest::newRow("past the longest") << "22d" << bad;
        QTest::newRow("digits that overflow") << "99999999999s" << bad;
        QTest::newRow("no unit") << "90" << bad;
        QTest::newRow("upper case") << "2H" << bad;
        QTest::newRow("fraction") << "1.5h" << bad;
        QTest::newRow("two units") << "1h30m" << bad;
    }
    void durations()
    {
        QFETCH(QString, text);
        QFETCH(Duration, expected);
        QCOMPARE(parseDuration(text), expected);
    }

    void invocations_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing: the tray") << QStringList{} << "tray";
        QTest::newRow("help") << QStringList{"--help"} << "help";
        QTest::newRow("version among others") << QStringList{"status", "--version"} << "version";
        QTest::newRow("self-test with a suffix is not it") << QStringList{"--self-test-forced2"} << "usage";
        QTest::newRow("status, json after") << QStringList{"status", "--json"} << "send status json";
        QTest::newRow("json before") << QStringList{"--json", "status"} << "send status json";
        QTest::newRow("normal for 2h") << QStringList{"normal", "2h"} << "send normal 2h";
        QTest::newRow("forced unlimited") << QStringList{"forced", "unlimited"} << "send forced unlimited";
        QTest::newRow("dashboard has no json") << QStringList{"dashboard", "--json"} << "usage";
        QTest::newRow("bad duration") << QStringList{"normal", "2x"} << "usage";
        QTest::newRow("off takes nothing") << QStringList{"off", "now"} << "usage";
        QTest::newRow("unknown command") << QStringList{"sleep"} << "usage";
        QTest::newRow("json alone") << QStringList{"--json"} << "usage";
        QTest::newRow("while") << QStringList{"--while", "42"} << "while 42";
        QTest::newRow("while, joined") << QStringList{"--while=42"} << "while 42";
        QTest::newRow("while zero") << QStringList{"--while", "0"} << "usage";
        QTest::newRow("while and a command") << QStringList{"--while", "42", "off"} << "usage";
        // The command's own options are not ours.
        QTest::newRow("run keeps its options") << QStringList{"--", "tool", "--help", "--version", "--"}
                                               << "run tool|--help|--version|--";
        QTest::newRow("run nothing") << QStringList{"--"} << "usage";
        QTest::newRow("run after a command") << QStringList{"status", "--", "ls"} << "usage";
    }
    void invocations()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        const Invocation invocation = parseInvocation(QStringList{"launcher"} + arguments);
        QCOMPARE(describe(invocation), expected);
        if (const auto* problem = std::get_if<UsageError>(&invocation))
            QVERIFY(problem->message.startsWith("launcher: ") && problem->message.contains("--help"));
    }

    void requestLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("expected");
        QTest::newRow("forced defaults to the menu's three hours") << QByteArray("forced") << "forced 10800";
        QTest::newRow("normal without a stop") << QByteArray("normal") << "normal none";
        QTest::newRow("forced unlimited") << QByteArray("forced unlimited") << "forced none";
        QTest::newRow("bad duration") << QByteArray("normal 0s") << "error bad duration";
        QTest::newRow("two spaces") << QByteArray("normal  2h") << "error unknown request";
        QTest::newRow("trailing space") << QByteArray("status ") << "error unknown request";
        QTest::newRow("carriage return") << QByteArray("status\r") << "error malformed request";
        QTest::newRow("nul") << QByteArray("off\0", 4) << "error malformed request";
        QTest::newRow("not ascii") << QByteArray("normal 2\xc3\xa9") << "error malformed request";
        QTest::newRow("too long") << QByteArray(4097, 'a') << "error request too long";
    }
    void requestLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, expected);
        const auto parsed = parseRequest(line);
        QString got;
        if (const auto* error = std::get_if<QByteArray>(&parsed))
            got = QString::fromLatin1(*error);
        else if (const auto* start = std::get_if<StartRequest>(&std::get<Request>(parsed)))
            got = rawValue(start->mode) + ' ' + (start->duration ? QString::number(*start->duration) : "none");
        else if (std::holds_alternative<StatusRequest>(std::get<Request>(parsed)))
            got = "status";
        else
            got = "other";
        QCOMPARE(got, expected);
    }

    void commandsGoThroughTheMenusPaths()
    {
        AppFixture app;
        app.fake.keepAwake.coverage = KeepAwakeCoverage{true, false};
        app.launchInMode(AwakeMode::off);
        const size_t logged = app.history().size();

        QJsonObject status = okStatus(answerRequest(*app.delegate, "normal 2h"));
        QCOMPARE(status.value("mode").toString(), QString("normal"));
        QCOMPARE(status.value("remaining").toDouble(), 7200.0);
        QCOMPARE(status.value("holds").toObject(), (QJsonObject{{"sleep", true}, {"display", false}}));
        QCOMPARE(app.history().size(), logged + 1);
        QCOMPARE(app.history().back().action, QString("enable"));

        app.fake.clock.advance(65);
        status = okStatus(answerRequest(*app.delegate, "status"));
        QCOMPARE(statusText(status), QString("mode: normal\nelapsed: 0:01:05\nremaining: 1:58:55\nholds: sleep\n"));

        // Without a duration, forced mode gets the menu's stop; normal mode none.
        status = okStatus(answerRequest(*app.delegate, "forced"));
        QCOMPARE(status.value("mode").toString(), QString("forced"));
        QCOMPARE(status.value("remaining").toDouble(), forcedQuickDuration);
        status = okStatus(answerRequest(*app.delegate, "normal"));
        QCOMPARE(status.value("mode").toString(), QString("normal"));
        QVERIFY(status.value("remaining").isNull());
        QVERIFY(!app.state().hasScheduledStop());

        status = okStatus(answerRequest(*app.delegate, "off"));
        QCOMPARE(statusText(status), QString("mode: off\n"));
        QCOMPARE(app.history().back().action, QString("disable"));

        QCOMPARE(app.dashboard->opens, 0);
        QCOMPARE(answerRequest(*app.delegate, "dashboard"), QByteArray("ok"));
        QTRY_COMPARE(app.dashboard->opens, 1);
    }

    void aRefusedStartAnswersWithItsTextAndChangesNothing()
    {
        AppFixture app;
        app.launchInMode(AwakeMode::normal);
        app.state().changePreferences([](Preferences& p) { p.language = AppLanguage::english; });
        app.state().scheduleAutoDisable(600);
        QStringList notices;
        app.state().setOnNotice([&notices](const QString& text) { notices << text; });
        app.refuseOnBattery();
        const size_t logged = app.history().size();

        QCOMPARE(answerRequest(*app.delegate, "forced 2h"),
                 QByteArray("refused Battery power is currently blocked for awake mode"));
        QCOMPARE(app.state().mode(), AwakeMode::normal);
        // The running mode keeps its own stop rather than the refused one's.
        QCOMPARE(*app.state().scheduledStopAt(), app.state().now() + 600);
        QCOMPARE(app.history().size(), logged);
        QCOMPARE(notices, QStringList{"Battery power is currently blocked for awake mode"});
        QCOMPARE(app.dashboard->opens, 0);

        // A helper that cannot start is a refusal too.
        app.state().disable(DisableReason::manual, false);
        app.fake.power.snapshot.source = PowerSourceKind::ac;
        app.fake.keepAwake.failLaunches = true;
        QCOMPARE(answerRequest(*app.delegate, "normal 1h"), QByteArray("refused The keep-awake process could not start"));
        QCOMPARE(app.state().mode(), AwakeMode::off);
        QVERIFY(!app.state().hasScheduledStop());
    }

    void holdsKeepTheirOwnHelperOnlyWhileTheWorkRuns()
    {
        CallLog log;
        FakeKeepAwakeLauncher keepAwake(log);
        FakeProcessWaiter waiter(keepAwake);
        QString errors;
        QTextStream err(&errors);

        keepAwake.coverage = KeepAwakeCoverage{true, false};
        waiter.status = 7;
        QCOMPARE(holdAwakeWhileCommand(keepAwake, waiter, {"make", "all"}, err), 7);
        QCOMPARE(errors, QString());
        QCOMPARE(waiter.ran, std::vector<QStringList>{QStringList({"make", "all"})});
        QCOMPARE(waiter.heldDuringWork, size_t(1));
        QCOMPARE(keepAwake.launches, std::vector<QStringList>{holdArguments()});
        QVERIFY(!holdArguments().join("").contains('d')); // the display may sleep
        QVERIFY(keepAwake.alive.empty());

        waiter.status.reset();
        QCOMPARE(holdAwakeWhileCommand(keepAwake, waiter, {"no-such-tool"}, err), int(exitCannotRun));
        QVERIFY(keepAwake.alive.empty());
        QVERIFY(errors.contains("cannot run no-such-tool"));

        // A helper that holds off nothing is said to, and the work runs anyway.
        keepAwake.coverage = KeepAwakeCoverage{false, true};
        errors.clear();
        waiter.status = 0;
        QCOMPARE(holdAwakeWhileCommand(keepAwake, waiter, {"make"}, err), 0);
        QVERIFY(errors.contains("warning: nothing on this system obeys"));
        QCOMPARE(waiter.ran.size(), size_t(3));

        waiter.status = 128 + 15;
        waiter.livePid = 321;
        QCOMPARE(holdAwakeWhileProcess(keepAwake, waiter, 321, err), 143);
        QVERIFY(keepAwake.alive.empty());
        const size_t launched = keepAwake.launches.size();
        QCOMPARE(holdAwakeWhileProcess(keepAwake, waiter, 999, err), int(exitUsage));
        QCOMPARE(keepAwake.launches.size(), launched); // nothing held for a process that is not there

        keepAwake.failLaunches = true;
        waiter.ran.clear();
        QCOMPARE(holdAwakeWhileCommand(keepAwake, waiter, {"make"}, err), int(exitRefused));
        QVERIFY(waiter.ran.empty()); // not run unheld
    }

    void fuzzedRequestsAreAnsweredOrRefusedAndNeverBreakTheServer()
    {
        QRandomGenerator random(20261207);
        for (int i = 0; i < 20000; ++i) {
            const QByteArray line = randomLine(random);
            const auto parsed = parseRequest(line);
            if (const auto* error = std::get_if<QByteArray>(&parsed)) {
                QVERIFY2(error->startsWith("error "), line.toHex().constData());
                continue;
            }
            // Only clean printable text gets through.
            for (const char byte : line)
                QVERIFY2(byte >= 0x20 && byte < 0x7f, line.toHex().constData());
        }

        AppFixture app;
        app.launchInMode(AwakeMode::off);
        QTemporaryDir folder, sockets;
        SingleInstance server(folder.path(), sockets.path());
        server.setRequestHandler([&app](const QByteArray& line) { return answerRequest(*app.delegate, line); });
        QVERIFY(server.tryBecomePrimary());
        for (int i = 0; i < 300; ++i) {
            QLocalSocket socket;
            socket.connectToServer(server.serverPath());
            QVERIFY(socket.waitForConnected(1000));
            const QByteArray line = randomLine(random);
            socket.write(line + "\nstatus\n");
            // One answer line per request, up to the first error, which closes the connection.
            QByteArray answers;
            QDeadlineTimer deadline(3000);
            while (socket.state() == QLocalSocket::ConnectedState && answers.count('\n') < 2 && !deadline.hasExpired()) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
                answers += socket.readAll();
            }
            answers += socket.readAll();
            const QByteArrayList lines = answers.split('\n');
            QVERIFY2(!lines.front().isEmpty(), line.toHex().constData());
            if (lines.front().startsWith("error")) {
                QCOMPARE(lines.size(), 2); // the error line alone, then closed
                QTRY_VERIFY(socket.state() == QLocalSocket::UnconnectedState);
            } else {
                QVERIFY2(lines.front().startsWith("ok") || lines.front().startsWith("refused"), lines.front().constData());
                QVERIFY(lines.size() == 3 && lines[1].startsWith("ok {"));
            }
        }
        // Still serving after all that.
        QLocalSocket socket;
        socket.connectToServer(server.serverPath());
        QVERIFY(socket.waitForConnected(1000));
        socket.write("off\n");
        QTRY_VERIFY(socket.canReadLine());
        QCOMPARE(okStatus(socket.readLine().trimmed()).value("mode").toString(), QString("off"));
    }
};

QTEST_MAIN(CommandLineTest)
#include "tst_commandline.moc"
