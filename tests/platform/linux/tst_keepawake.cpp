// The keep-awake launcher and helper as real processes.

#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/ProcessIdentity.h"

#include "../ProcessProbe.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace launcher;
using namespace launcher::testing;

class KeepAwakeLauncherTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Helpers started through the launcher inherit this; keep them off real buses.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket");
        qunsetenv("DISPLAY");
        QVERIFY(QFileInfo(helperProgram).isExecutable());
        // A bus socket that takes connections and never says a word.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(dir_.filePath(QStringLiteral("bus"))).constData(), sizeof address.sun_path);
        QVERIFY(::bind(muteBus_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(muteBus_, 8) == 0);
    }

    void cleanupTestCase() { ::close(muteBus_); }

    void helperIsOursUntilItEnds_data()
    {
        QTest::addColumn<QString>("ending");
        for (const char* ending : {"stopped", "dropped", "died"})
            QTest::newRow(ending) << QString::fromLatin1(ending);
    }

    void helperIsOursUntilItEnds()
    {
        QFETCH(QString, ending);
        // The default program is the helper installed beside this executable.
        PosixKeepAwakeLauncher launcher(defaultKeepAwakeProgram());
        auto child = launcher.launch({QStringLiteral("-dims")});
        QVERIFY(child);
        const qint32 pid = child->pid();
        QVERIFY(launcher.isKeepAwakeProcess(pid));
        // Stays up without any inhibitor to hold, and says so without blocking.
        QTRY_COMPARE(child->holdsAnything(), std::optional<bool>(false));
        QVERIFY(child->isRunning());

        if (ending == QLatin1String("stopped")) {
            child->terminateAndWait();
        } else if (ending == QLatin1String("dropped")) {
            child.reset();
        } else {
            // Ended but not yet collected: the id still answers a signal-0 probe.
            ::kill(pid, SIGTERM);
            QTRY_VERIFY(!isLive(pid));
            QCOMPARE(::kill(pid, 0), 0);
            QVERIFY(!launcher.isKeepAwakeProcess(pid));
        }
        QVERIFY(!child || !child->isRunning());
        QVERIFY(!launcher.isKeepAwakeProcess(pid));
        QCOMPARE(::kill(pid, 0), -1); // collected, not left a zombie
    }

    void programsThatCannotStartGiveNoChild()
    {
        QVERIFY(!PosixKeepAwakeLauncher(QStringLiteral("/nonexistent/helper")).launch({}));
        QVERIFY(!PosixKeepAwakeLauncher(QStringLiteral("/etc/passwd")).launch({}));
    }

    void stubbornChildIsKilledAfterAGracePeriod()
    {
        auto child = PosixKeepAwakeLauncher(QStringLiteral("/bin/sh"))
                         .launch({QStringLiteral("-c"), QStringLiteral("trap '' TERM; exec sleep 60")});
        QVERIFY(child);
        // Once it runs sleep the ignored SIGTERM is in place.
        QTRY_COMPARE(QFileInfo(identifyProcess(child->pid()).value_or(ProcessIdentity{}).executable).fileName(),
                     QStringLiteral("sleep"));
        QElapsedTimer elapsed;
        elapsed.start();
        child->terminateAndWait();
        QVERIFY2(elapsed.elapsed() >= 2500 && elapsed.elapsed() < 6000, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(::kill(child->pid(), 0), -1);
    }

    // A restarted program finds the helper by id alone: the right one is
    // stopped, anything else (a recycled id) is left alone.
    void stoppedByIdOnlyWhenOurs()
    {
        PosixKeepAwakeLauncher launcher(helperProgram);
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        const auto other = qint32(sleeper.processId());
        QVERIFY(!launcher.isKeepAwakeProcess(other));
        launcher.sendTerminate(other);
        QVERIFY(!sleeper.waitForFinished(300));
        sleeper.kill();
        sleeper.waitForFinished();
        for (qint32 pid : {qint32(::getpid()), 0, -1})
            QVERIFY2(!launcher.isKeepAwakeProcess(pid), qPrintable(QString::number(pid)));

        // Same file name, other folder (an earlier install), since replaced on disk.
        const QString copy = dir_.filePath(QStringLiteral("launcher-keepawake"));
        QVERIFY(QFile::copy(helperProgram, copy));
        auto fromOldInstall = PosixKeepAwakeLauncher(copy).launch({QStringLiteral("-dims")});
        QVERIFY(fromOldInstall);
        QVERIFY(QFile::remove(copy));
        QVERIFY(launcher.isKeepAwakeProcess(fromOldInstall->pid()));
        launcher.sendTerminate(fromOldInstall->pid());
        QTRY_VERIFY_WITH_TIMEOUT(!fromOldInstall->isRunning(), 3000);
    }

    void helperCopesWithoutAnySession_data()
    {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<bool>("saysSoAtOnce");
        QTest::newRow("no bus address, display without a server")
            << QStringList{"DISPLAY=:987", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=/nonexistent"} << true;
        // Stop signals must work while a bus connection is stuck.
        QTest::newRow("bus that never answers") << QStringList{"DISPLAY", "DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir_.filePath("bus")} << false;
    }

    void helperCopesWithoutAnySession()
    {
        QFETCH(QStringList, changes);
        QFETCH(bool, saysSoAtOnce);
        QProcess helper;
        startHelper(helper, {QStringLiteral("-dims")}, changes);
        QVERIFY(helper.waitForStarted());
        QVERIFY2(!finishesWithin(helper, 500), "the helper must stay up without inhibitors");
        if (saysSoAtOnce) {
            QCOMPARE(helper.readAllStandardOutput(), QByteArray("holding: none\n"));
            QVERIFY(helper.readAllStandardError().contains("the computer may still sleep"));
        }
        QVERIFY(stopsCleanly(helper));
    }

    void statusLineTellsWhetherAnythingIsHeld()
    {
        QCOMPARE(parseHoldingLine("holding: none"), std::optional<bool>(false));
        QCOMPARE(parseHoldingLine("holding: "), std::optional<bool>(false));
        QCOMPARE(parseHoldingLine("holding:logind"), std::optional<bool>(true));
        QCOMPARE(parseHoldingLine("hello"), std::nullopt);
    }

    void helperRefusesWhatItDoesNotKnow()
    {
        for (const QStringList& arguments : {QStringList{"-dimx"}, QStringList{"dims"}, QStringList{"--check", "-d"}}) {
            QProcess helper;
            startHelper(helper, arguments);
            QVERIFY(helper.waitForFinished(3000));
            QVERIFY2(helper.exitCode() == 2, qPrintable(arguments.join(QLatin1Char(' '))));
            QVERIFY(helper.readAllStandardError().startsWith("usage: launcher-keepawake"));
        }
    }

private:
    QTemporaryDir dir_;
    int muteBus_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

QTEST_GUILESS_MAIN(KeepAwakeLauncherTest)
#include "tst_keepawake.moc"
