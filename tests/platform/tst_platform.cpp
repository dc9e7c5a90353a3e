// The platform parts macOS and Linux share: running tools, taking signals,
// passing hot key presses on, the colour panel.

#include "platform/HelperLocation.h"
#include "platform/HotKeyDispatch.h"
#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/PosixSignals.h"
#include "platform/ProcessCommandRunner.h"
#include "platform/QtDesktop.h"
#include "platform/UnplannedExit.h"

#include "ProcessProbe.h"
#include "support/Files.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <thread>

using namespace launcher;
using namespace std::chrono_literals;

using Answer = std::optional<QString>;

namespace {

const QString shell = QStringLiteral("/bin/sh");
const QString script = QStringLiteral("-c");

int openDescriptors()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size());
}

QColorDialog* openDialog()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QColorDialog*>(widget); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

} // namespace

class PlatformTest : public QObject {
    Q_OBJECT
private slots:
    void answersWithWhatTheToolSaid()
    {
        ProcessCommandRunner runner;
        // A failing tool's words still count.
        QCOMPARE(runner.runCommand(shell, {script, "echo one; echo two >&2; echo three; exit 3"}), Answer("one\ntwo\nthree\n"));
        // No shell in between: spaces, quotes and $ stay as they are.
        QCOMPARE(runner.runCommand("/usr/bin/printf", {"[%s]", "a b", "'$HOME'", QString()}), Answer("[a b]['$HOME'][]"));
        // cat would wait for ever on an inherited terminal or pipe.
        QCOMPARE(runner.runCommand("/bin/cat", {}, 3s), Answer(QString()));
        QCOMPARE(runner.runCommand(shell, {script, R"(printf 'caf\303\251 \344\275\240')"}), Answer("caf\u00e9 \u4f60"));
        QCOMPARE(runner.runCommand(shell, {script, R"(printf 'ok\344\275')"}), Answer()); // a character cut off
        // Read while it runs: a tool that fills the pipe must not stall.
        QCOMPARE(runner.runCommand(shell, {script, "head -c 6291456 /dev/zero | tr '\\0' x; echo end >&2"}, 3s),
                 Answer(QString(6291456, QLatin1Char('x')) + QStringLiteral("end\n")));
    }

    // What the tool left running may hold the pipe for long: its exit is the answer.
    void aToolThatExitsIsAnsweredWhileItsLeftoversRun()
    {
        QElapsedTimer elapsed;
        elapsed.start();
        const auto result = ProcessCommandRunner().runCommand(shell, {script, "sleep 30 & echo $!"}, 10s);
        QVERIFY(elapsed.elapsed() < 5000);
        QVERIFY(result.has_value());
        const qint32 leftover = result->trimmed().toInt();
        QVERIFY(launcher::testing::isLive(leftover));
        ::kill(leftover, SIGKILL);
    }

    void hangingToolIsKilledAtTheTimeLimit()
    {
        QTemporaryDir dir;
        const QString pids = dir.filePath(QStringLiteral("pids"));
        QElapsedTimer elapsed;
        elapsed.start();
        // The shell and the sleep it started both hold the output pipe.
        const auto result = ProcessCommandRunner().runCommand(
            shell, {script, QStringLiteral("echo started; sleep 60 & echo $$ $! > '%1'; wait").arg(pids)}, 1s);
        QCOMPARE(result, std::nullopt);
        QVERIFY2(elapsed.elapsed() >= 900 && elapsed.elapsed() < 4000, qPrintable(QString::number(elapsed.elapsed())));

        QFile file(pids);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> ids = file.readAll().trimmed().split(' ');
        QCOMPARE(ids.size(), 2);
        for (const QByteArray& id : ids)
            QTRY_VERIFY_WITH_TIMEOUT(!launcher::testing::isLive(id.toInt()), 2000);
    }

    // Missing tools are asked for on every tick; each try must give back what it took.
    void toolsThatCannotStartLeaveNoDescriptorOpen()
    {
        if (!QDir(QStringLiteral("/proc/self/fd")).exists())
            QSKIP("no /proc here");
        // Marked executable, yet the system cannot run them.
        QTemporaryDir dir;
        const QString foreign = dir.filePath(QStringLiteral("foreign"));
        const QString noInterpreter = dir.filePath(QStringLiteral("no-interpreter"));
        QVERIFY(launcher::testing::writeExecutable(foreign, QByteArray("\x7f" "ELF not really", 15)));
        QVERIFY(launcher::testing::writeExecutable(noInterpreter, "#!/nonexistent/interpreter\necho ran\n"));

        ProcessCommandRunner runner;
        const int before = openDescriptors();
        for (int i = 0; i < 100; ++i) {
            QCOMPARE(runner.runCommand(QStringLiteral("/nonexistent/tool"), {}), Answer());
            QCOMPARE(runner.runCommand(QStringLiteral("/etc/passwd"), {}), Answer());
            QCOMPARE(runner.runCommand(QStringLiteral("/tmp"), {}), Answer());
            QCOMPARE(runner.runCommand(foreign, {}), Answer());
            QCOMPARE(runner.runCommand(noInterpreter, {}), Answer());
        }
        QCOMPARE(openDescriptors(), before);
        // And those that run give back theirs too.
        for (int i = 0; i < 20; ++i)
            QCOMPARE(runner.runCommand(shell, {script, "echo $$"}).has_value(), true);
        QCOMPARE(openDescriptors(), before);
    }

    // Each case runs in a copy of this program that ends with exit(3).
    void anExitRunsTheGuardsActionOnlyWhileItLivesAndOnItsThread_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("while guarded") << "guarded" << QByteArray("stopped\n");
        QTest::newRow("after the guard") << "unguarded" << QByteArray();
        QTest::newRow("from another thread") << "other-thread" << QByteArray();
    }
    void anExitRunsTheGuardsActionOnlyWhileItLivesAndOnItsThread()
    {
        QFETCH(QString, way);
        QFETCH(QByteArray, said);
        QProcess copy;
        copy.start(QCoreApplication::applicationFilePath(), {"--exit", way});
        QVERIFY(copy.waitForFinished(10000));
        QCOMPARE(copy.exitStatus(), QProcess::NormalExit);
        QCOMPARE(copy.exitCode(), 3);
        QCOMPARE(copy.readAllStandardOutput(), said);
    }

    // The status line is read on the timer tick: a child that has not
    // spoken yet must not hold the tick up, and its line counts once it comes.
    void keepAwakeStatusIsReadWithoutWaiting()
    {
        PosixKeepAwakeLauncher starter(shell);
        auto child = starter.launch({script, QStringLiteral("sleep 2; echo 'holding: none'; exec sleep 30")});
        QVERIFY(child);
        QElapsedTimer elapsed;
        elapsed.start();
        QVERIFY(!child->coverage());
        QVERIFY2(elapsed.elapsed() < 1000, qPrintable(QString::number(elapsed.elapsed())));
        QVERIFY(child->isRunning());
        QTRY_VERIFY_WITH_TIMEOUT(child->coverage() == KeepAwakeCoverage{}, 10000);
        const qint32 pid = child->pid();
        child.reset(); // ends it
        QVERIFY(!launcher::testing::isLive(pid));
    }

    // An unhandled one of these would end the test process at once.
    void signalsArriveThroughTheEventLoopInOrder()
    {
        const QList<int> raised{SIGHUP, SIGTERM, SIGINT};
        QList<int> received;
        {
            PosixSignals signalsOfTest([&received](int number) { received << number; });
            for (int number : raised)
                std::raise(number);
            QVERIFY(received.isEmpty()); // not inside the signal handler
            QTRY_COMPARE(received, raised);
        }
        for (int number : raised) {
            struct sigaction current = {};
            QCOMPARE(sigaction(number, nullptr, &current), 0);
            QVERIFY(current.sa_handler == SIG_DFL);
        }
    }

    void pressesReachTheHandlerLaterInOrderAndOnlyWhileInstalled()
    {
        HotKeyDispatch dispatch;
        QList<int> ids;
        dispatch.post(1); // no handler yet: dropped
        dispatch.install([&](int id) { ids.append(id); });
        dispatch.post(2);
        dispatch.post(3);
        QVERIFY(ids.isEmpty()); // never inside the system's callback
        QCoreApplication::processEvents();
        QCOMPARE(ids, QList<int>({2, 3}));

        // Presses queued before a removal die with it, even if a handler comes back.
        dispatch.post(4);
        dispatch.remove();
        dispatch.post(5);
        dispatch.install([&](int id) { ids.append(10 * id); });
        dispatch.post(6);
        dispatch.remove();
        QCoreApplication::processEvents();
        QCOMPARE(ids, QList<int>({2, 3}));
    }

    void colourPanelFollowsOnlyTheLatestOpening()
    {
        QtColorPanel panel;
        QList<QColor> forHang, forForced;
        panel.open(QColor("#B8F5C4"), [&](const QColor& color) { forHang.append(color); });
        QColorDialog* dialog = openDialog();
        QVERIFY(dialog);
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->currentColor(), QColor("#B8F5C4"));
        QVERIFY(forHang.isEmpty()); // showing the current colour is no change

        dialog->setCurrentColor(QColor("#73DDF3"));
        QCOMPARE(forHang, QList<QColor>({QColor("#73DDF3")}));

        panel.open(QColor("#FFB347"), [&](const QColor& color) { forForced.append(color); });
        QCOMPARE(openDialog(), dialog);
        QCOMPARE(dialog->currentColor(), QColor("#FFB347"));
        dialog->setCurrentColor(Qt::white);
        QCOMPARE(forHang.size(), 1);
        QCOMPARE(forForced, QList<QColor>({QColor(Qt::white)}));
    }

    // Qt's own texts follow the language, in a panel already open too.
    void colourPanelSpeaksTheInterfaceLanguage()
    {
        QtDesktop desktop;
        QtColorPanel panel;
        desktop.useInterfaceLanguage(QStringLiteral("zh_CN"));
        panel.open(Qt::red, {});
        QColorDialog* dialog = openDialog();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("选择颜色"));
        desktop.useInterfaceLanguage(QStringLiteral("en"));
        QTRY_COMPARE(dialog->windowTitle(), QStringLiteral("Select Color"));
        desktop.useInterfaceLanguage(QStringLiteral("zh_CN"));
        QTRY_COMPARE(dialog->windowTitle(), QStringLiteral("选择颜色"));
    }

    // Beside the program in a build folder, in libexec once installed under
    // any prefix; a file that cannot run there does not count.
    void keepAwakeHelperIsFoundBesideOrInstalled()
    {
        QTemporaryDir root;
        QVERIFY(root.isValid());
        const QString bin = root.filePath(QStringLiteral("usr/bin"));
        const QString installed = root.filePath(QStringLiteral("usr/libexec/launcher/launcher-keepawake"));
        const QString beside = bin + QStringLiteral("/launcher-keepawake");
        QVERIFY(QDir().mkpath(bin));
        QVERIFY(QDir().mkpath(QFileInfo(installed).path()));
        QCOMPARE(keepAwakeProgramIn(bin), beside); // nothing anywhere: named where a build puts it
        launcher::testing::writeFile(installed, {});
        QCOMPARE(keepAwakeProgramIn(bin), beside);
        QVERIFY(launcher::testing::writeExecutable(installed, {}));
        QCOMPARE(keepAwakeProgramIn(bin), installed);
        QCOMPARE(keepAwakeProgramIn(bin + QStringLiteral("/")), installed);
        QVERIFY(launcher::testing::writeExecutable(beside, {}));
        QCOMPARE(keepAwakeProgramIn(bin), beside);
        // A folder of that name is not a program.
        QVERIFY(QFile::remove(beside));
        QVERIFY(QDir().mkpath(beside));
        QCOMPARE(keepAwakeProgramIn(bin), installed);
    }
};

namespace {

// The copy's side: exit(3) one of the ways the test names.
[[noreturn]] void exitOneWay(const QByteArray& way)
{
    const auto stopped = [] { std::fputs("stopped\n", stdout); };
    if (way == "unguarded") {
        { UnplannedExitGuard guard(stopped); }
        std::exit(3);
    }
    // Alive at exit, as a guard in main is: a static one would be gone by then.
    new UnplannedExitGuard(stopped);
    if (way == "other-thread")
        std::thread([] { std::exit(3); }).join();
    std::exit(3);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--exit") == 0)
        exitOneWay(argv[2]);
    QApplication app(argc, argv);
    PlatformTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_platform.moc"
