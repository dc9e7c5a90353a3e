// The keep-awake launcher and helper as real processes, also as a restarted
// program's state store finds them.

#include "engine/StateStore.h"
#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/ProcessIdentity.h"
#include "store/Files.h"
#include "support/FakePlatform.h"

#include "../ProcessProbe.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace launcher;
using namespace launcher::testing;

namespace {

QString executableName(qint32 pid)
{
    const auto identity = identifyProcess(pid);
    return identity ? QFileInfo(identity->executable).fileName() : QString();
}

// The fake machine, except that processes are real.
struct RealProcesses {
    FakePlatform fake;
    PosixKeepAwakeLauncher launcher{helperProgram};
    std::optional<StateStore> store;

    // A fresh store finds the record an earlier run left.
    bool adopt(qint64 pid, const char* mode)
    {
        const QByteArray record = R"({"pid":)" + QByteArray::number(pid) + R"(,"mode":")" + mode + R"(","startedAt":1799999000.5})";
        store.emplace(Platform{fake.clock, launcher, fake.environment, fake.screenEvents, fake.beep, fake.input,
                               fake.screens, fake.applications, fake.power, fake.sound, fake.hardware, fake.loginItem});
        if (!QDir().mkpath(store->supportDirectory) || !writeFileAtomically(store->stateFile, record))
            return false;
        store->reconnectIfPossible();
        return true;
    }
    QByteArray stateBytes() const { return readWholeFile(store->stateFile).value_or("<missing>"); }
    // Off, with the state file saying so, and nothing logged.
    bool droppedToOff() const
    {
        return store->mode == AwakeMode::off && !store->pid && !store->startedAt && !store->isActive()
               && stateBytes() == R"({"mode":"off"})" && !QFile::exists(store->historyFile);
    }
};

} // namespace

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
        QTest::qWait(300); // stays up without any inhibitor to hold
        QVERIFY(child->isRunning());
        // ... and says it holds nothing, which is read without blocking.
        QTRY_COMPARE(child->holdsAnything(), std::optional<bool>(false));

        QElapsedTimer elapsed;
        elapsed.start();
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
        QVERIFY2(elapsed.elapsed() < 2000, "the helper should end on SIGTERM, not need SIGKILL");
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
        QTRY_COMPARE(executableName(child->pid()), QStringLiteral("sleep"));
        QElapsedTimer elapsed;
        elapsed.start();
        child->terminateAndWait();
        QVERIFY2(elapsed.elapsed() >= 2500 && elapsed.elapsed() < 6000, qPrintable(QString::number(elapsed.elapsed())));
        QCOMPARE(::kill(child->pid(), 0), -1);
    }

    void otherProcessesAreNeitherOursNorSignalled()
    {
        RealProcesses machine;
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        const auto pid = qint32(sleeper.processId());
        QVERIFY(!machine.launcher.isKeepAwakeProcess(pid));
        machine.launcher.sendTerminate(pid);
        // A recycled id in the state file: not adopted, and not signalled either.
        QVERIFY(machine.adopt(pid, "normal"));
        QVERIFY(machine.droppedToOff());
        QVERIFY(!sleeper.waitForFinished(300));
        sleeper.kill();
        sleeper.waitForFinished();
        for (qint32 other : {qint32(::getpid()), 0, -1, INT_MIN, INT_MAX})
            QVERIFY2(!machine.launcher.isKeepAwakeProcess(other), qPrintable(QString::number(other)));
    }

    void recognisedByFileNameAndOwner()
    {
        // Same name, other folder (an earlier install), since replaced on disk.
        const QString copy = dir_.filePath(QStringLiteral("launcher-keepawake"));
        QVERIFY(QFile::copy(helperProgram, copy));
        auto fromOldInstall = PosixKeepAwakeLauncher(copy).launch({QStringLiteral("-dims")});
        QVERIFY(fromOldInstall);
        QVERIFY(QFile::remove(copy));
        PosixKeepAwakeLauncher installed(helperProgram);
        QVERIFY(installed.isKeepAwakeProcess(fromOldInstall->pid()));

        if (::getuid() != 0)
            QSKIP("needs root to start the helper as another user");
        QVERIFY(QFile::copy(helperProgram, copy));
        QVERIFY(QFile::setPermissions(dir_.path(), QFile::permissions(dir_.path()) | QFile::ReadOther | QFile::ExeOther));
        QProcess foreign;
        foreign.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                  QStringLiteral("--clear-groups"), copy, QStringLiteral("-dims")});
        QVERIFY(foreign.waitForStarted());
        const auto pid = qint32(foreign.processId());
        QTRY_COMPARE(executableName(pid), QStringLiteral("launcher-keepawake"));
        QCOMPARE(identifyProcess(pid)->ownerUid, 65534u);
        QVERIFY(!installed.isKeepAwakeProcess(pid));
        foreign.terminate();
        QVERIFY(foreign.waitForFinished(3000));
    }

    void helperLeftByAnEarlierRunIsAdoptedAndStopped()
    {
        RealProcesses machine;
        auto helper = machine.launcher.launch(keepAwakeArguments(AwakeMode::normal));
        QVERIFY(helper);
        QVERIFY(machine.adopt(helper->pid(), "normal"));
        StateStore& store = *machine.store;
        QCOMPARE(store.mode, AwakeMode::normal);
        QVERIFY(store.isActive());
        QVERIFY(!store.process); // managed by id from now on
        QVERIFY(helper->isRunning());

        // Stopped by id alone, as the restarted program has nothing else.
        store.disable(DisableReason::manual, false);
        QTRY_VERIFY_WITH_TIMEOUT(!helper->isRunning(), 3000);
        QVERIFY(machine.droppedToOff());
    }

    void helperCopesWithoutAnySession_data()
    {
        QTest::addColumn<QStringList>("changes");
        QTest::addColumn<bool>("saysSoAtOnce");
        QTest::newRow("buses disabled") << QStringList{"DISPLAY"} << true;
        QTest::newRow("no session bus address") << QStringList{"DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=/nonexistent"} << true;
        QTest::newRow("display without a server") << QStringList{"DISPLAY=:987"} << true;
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
        QCOMPARE(parseHoldingLine("holding: x11-screensaver logind"), std::optional<bool>(true));
        QCOMPARE(parseHoldingLine("holding:logind"), std::optional<bool>(true));
        QCOMPARE(parseHoldingLine("Holding: none"), std::nullopt);
        QCOMPARE(parseHoldingLine(""), std::nullopt);
        // A program that prints something else entirely is never taken at its word.
        auto child = PosixKeepAwakeLauncher(QStringLiteral("/bin/sh")).launch({"-c", "echo hello; exec sleep 60"});
        QVERIFY(child);
        QTest::qWait(200);
        QCOMPARE(child->holdsAnything(), std::nullopt);
    }

    void helperRefusesWhatItDoesNotKnow()
    {
        for (const QStringList& arguments : {QStringList{"-dimx"}, QStringList{"-i", "-q"}, QStringList{"dims"},
                                             QStringList{"-"}, QStringList{"--check", "-d"}}) {
            QProcess helper;
            startHelper(helper, arguments);
            QVERIFY(helper.waitForFinished(3000));
            QVERIFY2(helper.exitCode() == 2, qPrintable(arguments.join(QLatin1Char(' '))));
            QVERIFY(helper.readAllStandardError().startsWith("usage: launcher-keepawake"));
            QVERIFY(helper.readAllStandardOutput().isEmpty());
        }
    }

private:
    QTemporaryDir dir_;
    int muteBus_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

QTEST_GUILESS_MAIN(KeepAwakeLauncherTest)
#include "tst_keepawake.moc"
