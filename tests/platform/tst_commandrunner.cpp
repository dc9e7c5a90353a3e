#include "platform/ProcessCommandRunner.h"

#include "ProcessProbe.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace launcher;
using launcher::testing::isLive;
using namespace std::chrono_literals;

namespace {

const QString shell = QStringLiteral("/bin/sh");

std::optional<QString> runShell(CommandRunner& runner, const QString& script)
{
    return runner.runCommand(shell, {QStringLiteral("-c"), script});
}

} // namespace

class CommandRunnerTest : public QObject {
    Q_OBJECT
private slots:
    void programsThatCannotStartGiveNothing()
    {
        ProcessCommandRunner runner;
        QCOMPARE(runner.runCommand(QStringLiteral("/nonexistent/tool"), {QStringLiteral("-x")}), std::nullopt);

        QTemporaryDir dir;
        const QString plain = dir.filePath(QStringLiteral("not-executable"));
        QFile file(plain);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\necho hello\n");
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QCOMPARE(runner.runCommand(plain, {}), std::nullopt);
        QCOMPARE(runner.runCommand(dir.path(), {}), std::nullopt);
    }

    void outputAndErrorShareOneStream()
    {
        ProcessCommandRunner runner;
        QCOMPARE(runShell(runner, QStringLiteral("echo one; echo two >&2; echo three")),
                 QStringLiteral("one\ntwo\nthree\n"));
    }

    void argumentsReachTheToolUntouched()
    {
        ProcessCommandRunner runner;
        // No shell in between: spaces, quotes and $ stay as they are.
        const QStringList arguments{QStringLiteral("[%s]"), QStringLiteral("a b"), QStringLiteral("'$HOME'"), QString()};
        QCOMPARE(runner.runCommand(QStringLiteral("/usr/bin/printf"), arguments),
                 QStringLiteral("[a b]['$HOME'][]"));
    }

    void failingToolStillReturnsItsText()
    {
        ProcessCommandRunner runner;
        QCOMPARE(runShell(runner, QStringLiteral("echo 'no such thing'; exit 3")), QStringLiteral("no such thing\n"));
        QCOMPARE(runShell(runner, QStringLiteral("echo crashed; kill -9 $$")), QStringLiteral("crashed\n"));
        QCOMPARE(runShell(runner, QStringLiteral("exit 1")), QString());
    }

    void standardInputIsClosed()
    {
        // cat would wait for ever on an inherited terminal or pipe.
        ProcessCommandRunner runner(3s);
        QCOMPARE(runner.runCommand(QStringLiteral("/bin/cat"), {}), QString());
    }

    void hangingToolIsKilledAtTheTimeLimit()
    {
        QTemporaryDir dir;
        const QString pids = dir.filePath(QStringLiteral("pids"));
        ProcessCommandRunner runner(1s);
        QElapsedTimer elapsed;
        elapsed.start();
        // The shell and the sleep it started both hold the output pipe.
        const auto result = runShell(runner, QStringLiteral("echo started; sleep 60 & echo $$ $! > '%1'; wait").arg(pids));
        QCOMPARE(result, std::nullopt);
        QVERIFY2(elapsed.elapsed() >= 900 && elapsed.elapsed() < 4000, qPrintable(QString::number(elapsed.elapsed())));

        QFile file(pids);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> ids = file.readAll().trimmed().split(' ');
        QCOMPARE(ids.size(), 2);
        for (const QByteArray& id : ids)
            QTRY_VERIFY_WITH_TIMEOUT(!isLive(id.toInt()), 2000);
    }

    void largeOutputComesBackWhole()
    {
        ProcessCommandRunner runner;
        const int size = 6 * 1024 * 1024;
        const auto result = runShell(runner, QStringLiteral("head -c %1 /dev/zero | tr '\\0' 'x'; echo end >&2").arg(size));
        QVERIFY(result);
        QCOMPARE(result->size(), size + 4);
        QCOMPARE(result->count(QLatin1Char('x')), size);
        QVERIFY(result->endsWith(QStringLiteral("end\n")));
    }

    void textMustBeUtf8()
    {
        ProcessCommandRunner runner;
        QCOMPARE(runShell(runner, QStringLiteral("printf 'caf\\303\\251 \\344\\275\\240'")),
                 QStringLiteral("caf\u00e9 \u4f60"));
        QCOMPARE(runShell(runner, QStringLiteral("printf 'ok\\377\\376'")), std::nullopt);
        // A character cut off at the end is not text either.
        QCOMPARE(runShell(runner, QStringLiteral("printf 'ok\\344\\275'")), std::nullopt);
        // An encoded surrogate is not UTF-8.
        QCOMPARE(runShell(runner, QStringLiteral("printf '\\355\\240\\200'")), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(CommandRunnerTest)
#include "tst_commandrunner.moc"
