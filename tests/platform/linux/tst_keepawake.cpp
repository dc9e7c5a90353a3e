#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/ProcessIdentity.h"

#include "../ProcessProbe.h"
#include "HelperTesting.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <csignal>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace launcher;
using namespace launcher::testing;

namespace {

QString writeScript(const QTemporaryDir& dir, const QString& name, const QByteArray& body)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write("#!/bin/sh\n" + body);
    file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

QString copyOfHelper(const QTemporaryDir& dir, const QString& name)
{
    const QString path = dir.filePath(name);
    return QFile::copy(helperProgram(), path) ? path : QString();
}

QString executableName(qint32 pid)
{
    const auto identity = identifyProcess(pid);
    return identity ? QFileInfo(identity->executable).fileName() : QString();
}

// Starts the helper from a shell that leaves it behind, as an earlier run
// of the program would: it is nobody's child here.
qint32 startOrphanedHelper()
{
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"), QStringLiteral("'%1' -dims </dev/null >/dev/null 2>&1 & echo $!").arg(helperProgram())});
    if (!shell.waitForFinished(5000))
        return 0;
    return shell.readAllStandardOutput().trimmed().toInt();
}

// A bus address whose socket takes connections and never says a word.
class MuteBus {
public:
    explicit MuteBus(const QString& path) : fd_(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        qstrncpy(address.sun_path, name.constData(), sizeof address.sun_path);
        listening_ = fd_ >= 0 && ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
                     && ::listen(fd_, 8) == 0;
        address_ = QStringLiteral("unix:path=") + path;
    }
    ~MuteBus()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    bool isListening() const { return listening_; }
    QString address() const { return address_; }

private:
    int fd_;
    bool listening_ = false;
    QString address_;
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
        QVERIFY(QFileInfo(helperProgram()).isExecutable());
    }

    void helperIsOursFromStartUntilStopped()
    {
        PosixKeepAwakeLauncher launcher(helperProgram());
        auto child = launcher.launch({QStringLiteral("-dims")});
        QVERIFY(child);
        const qint32 pid = child->pid();
        QVERIFY(pid > 0);
        QVERIFY(child->isRunning());
        QVERIFY(launcher.isKeepAwakeProcess(pid));
        // It stays up on its own, without any inhibitor to hold here.
        QTest::qWait(300);
        QVERIFY(child->isRunning());

        QElapsedTimer elapsed;
        elapsed.start();
        child->terminateAndWait();
        QVERIFY2(elapsed.elapsed() < 2000, "the helper should end on SIGTERM, not need SIGKILL");
        QVERIFY(!child->isRunning());
        QVERIFY(!launcher.isKeepAwakeProcess(pid));
        // Collected, not left as a zombie.
        QCOMPARE(::kill(pid, 0), -1);
        child->terminateAndWait(); // a second stop is harmless
    }

    void programsThatCannotStartGiveNoChild()
    {
        QTemporaryDir dir;
        QVERIFY(PosixKeepAwakeLauncher(dir.filePath(QStringLiteral("missing"))).launch({}) == nullptr);
        const QString script = writeScript(dir, QStringLiteral("plain"), "exit 0\n");
        QVERIFY(QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        QVERIFY(PosixKeepAwakeLauncher(script).launch({}) == nullptr);
    }

    void childThatEndsByItselfIsCollected()
    {
        PosixKeepAwakeLauncher helper(helperProgram());
        auto refused = helper.launch({QStringLiteral("-x")}); // exits 2 at once
        QVERIFY(refused);
        QTRY_VERIFY_WITH_TIMEOUT(!refused->isRunning(), 3000);
        QCOMPARE(::kill(refused->pid(), 0), -1);
        QVERIFY(!helper.isKeepAwakeProcess(refused->pid()));
    }

    void stubbornChildIsKilledAfterAGracePeriod()
    {
        QTemporaryDir dir;
        PosixKeepAwakeLauncher launcher(writeScript(dir, QStringLiteral("stubborn"), "trap '' TERM\nexec sleep 60\n"));
        auto child = launcher.launch({});
        QVERIFY(child);
        const qint32 pid = child->pid();
        // Once it runs sleep the ignored SIGTERM is in place.
        QTRY_COMPARE(executableName(pid), QStringLiteral("sleep"));

        QElapsedTimer elapsed;
        elapsed.start();
        child->terminateAndWait();
        QVERIFY2(elapsed.elapsed() >= 2500 && elapsed.elapsed() < 6000, qPrintable(QString::number(elapsed.elapsed())));
        QVERIFY(!child->isRunning());
        QCOMPARE(::kill(pid, 0), -1);
    }

    void droppingARunningChildStopsAndCollectsIt()
    {
        PosixKeepAwakeLauncher launcher(helperProgram());
        auto child = launcher.launch({QStringLiteral("-dims")});
        QVERIFY(child);
        const qint32 pid = child->pid();
        QElapsedTimer elapsed;
        elapsed.start();
        child.reset();
        QVERIFY(elapsed.elapsed() < 2000);
        QCOMPARE(::kill(pid, 0), -1);
    }

    void otherProcessesAreNotOurs()
    {
        PosixKeepAwakeLauncher launcher(helperProgram());
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        QVERIFY(!launcher.isKeepAwakeProcess(qint32(sleeper.processId())));
        QVERIFY(!launcher.isKeepAwakeProcess(qint32(::getpid())));
        sleeper.kill();
        sleeper.waitForFinished();

        QVERIFY(!launcher.isKeepAwakeProcess(0));
        QVERIFY(!launcher.isKeepAwakeProcess(-1));
        QVERIFY(!launcher.isKeepAwakeProcess(INT_MIN));
        QVERIFY(!launcher.isKeepAwakeProcess(INT_MAX));
    }

    void deadHelperIsNotOurs()
    {
        PosixKeepAwakeLauncher launcher(helperProgram());
        auto child = launcher.launch({QStringLiteral("-dims")});
        QVERIFY(child);
        const qint32 pid = child->pid();
        // Ended but not yet collected: the id still answers a signal-0 probe.
        ::kill(pid, SIGTERM);
        QTRY_VERIFY(!isLive(pid));
        QCOMPARE(::kill(pid, 0), 0);
        QVERIFY(!launcher.isKeepAwakeProcess(pid));

        QVERIFY(!child->isRunning());
        QVERIFY(!launcher.isKeepAwakeProcess(pid));
    }

    void helperOfAnotherUserIsNotOurs()
    {
        if (::getuid() != 0)
            QSKIP("needs root to start a process as another user");
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                      | QFileDevice::ReadOther | QFileDevice::ExeOther));
        const QString copy = copyOfHelper(dir, QStringLiteral("launcher-keepawake"));
        QVERIFY(!copy.isEmpty());
        QProcess foreign;
        foreign.setProcessEnvironment(busFreeEnvironment());
        foreign.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                                  QStringLiteral("--clear-groups"), copy, QStringLiteral("-dims")});
        QVERIFY(foreign.waitForStarted());
        const auto pid = qint32(foreign.processId());
        QTRY_COMPARE(executableName(pid), QStringLiteral("launcher-keepawake"));
        QCOMPARE(identifyProcess(pid)->ownerUid, 65534u);

        QVERIFY(!PosixKeepAwakeLauncher(copy).isKeepAwakeProcess(pid));
        foreign.terminate();
        QVERIFY(foreign.waitForFinished(3000));
    }

    void recognisedByFileNameWhereverItRuns()
    {
        QTemporaryDir dir;
        PosixKeepAwakeLauncher installed(helperProgram());

        // Same name, other folder (an earlier install), since replaced on disk.
        const QString moved = copyOfHelper(dir, QStringLiteral("launcher-keepawake"));
        QVERIFY(!moved.isEmpty());
        auto fromOldInstall = PosixKeepAwakeLauncher(moved).launch({QStringLiteral("-dims")});
        QVERIFY(fromOldInstall);
        QVERIFY(QFile::remove(moved));
        QVERIFY(installed.isKeepAwakeProcess(fromOldInstall->pid()));

        // The same bytes under another name are another program.
        const QString renamed = copyOfHelper(dir, QStringLiteral("something-else"));
        QVERIFY(!renamed.isEmpty());
        PosixKeepAwakeLauncher other(renamed);
        auto stranger = other.launch({QStringLiteral("-dims")});
        QVERIFY(stranger);
        QVERIFY(other.isKeepAwakeProcess(stranger->pid()));
        QVERIFY(!installed.isKeepAwakeProcess(stranger->pid()));
    }

    void sendTerminateEndsAnAdoptedHelper()
    {
        PosixKeepAwakeLauncher launcher(helperProgram());
        const qint32 pid = startOrphanedHelper();
        QVERIFY(pid > 0);
        QTRY_VERIFY(launcher.isKeepAwakeProcess(pid));
        launcher.sendTerminate(pid);
        QTRY_VERIFY_WITH_TIMEOUT(!isLive(pid), 3000);
        QVERIFY(!launcher.isKeepAwakeProcess(pid));
    }

    void sendTerminateLeavesOtherProcessesAlone()
    {
        PosixKeepAwakeLauncher launcher(helperProgram());
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
        QVERIFY(sleeper.waitForStarted());
        launcher.sendTerminate(qint32(sleeper.processId()));
        QVERIFY(!sleeper.waitForFinished(300));
        sleeper.kill();
        sleeper.waitForFinished();
    }

    void helperCopesWithoutAnySession_data()
    {
        QTest::addColumn<QStringList>("unset");
        QTest::addColumn<QStringList>("set");
        QTest::newRow("buses disabled") << QStringList{QStringLiteral("DISPLAY")} << QStringList{};
        QTest::newRow("no session bus address") << QStringList{QStringLiteral("DISPLAY"), QStringLiteral("DBUS_SESSION_BUS_ADDRESS")}
                                                << QStringList{QStringLiteral("XDG_RUNTIME_DIR=/nonexistent")};
        QTest::newRow("display without a server") << QStringList{} << QStringList{QStringLiteral("DISPLAY=:987")};
    }

    void helperCopesWithoutAnySession()
    {
        QFETCH(QStringList, unset);
        QFETCH(QStringList, set);
        QProcessEnvironment environment = busFreeEnvironment();
        for (const QString& name : unset)
            environment.remove(name);
        for (const QString& pair : set)
            environment.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));

        QProcess helper;
        startHelper(helper, {QStringLiteral("-dims")}, environment);
        QVERIFY(helper.waitForStarted());
        QVERIFY2(!helper.waitForFinished(500), "the helper must stay up without inhibitors");
        QElapsedTimer elapsed;
        elapsed.start();
        helper.terminate();
        QVERIFY(helper.waitForFinished(2000));
        QVERIFY(elapsed.elapsed() < 1500);
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), 0);

        QProcess check;
        startHelper(check, {QStringLiteral("--check")}, environment);
        QVERIFY(check.waitForFinished(3000));
        QCOMPARE(check.exitCode(), 0);
        const QStringList lines = QString::fromUtf8(check.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("x11-screensaver: unavailable: ")));
        QVERIFY(lines[1].startsWith(QStringLiteral("freedesktop-screensaver: unavailable: ")));
        QVERIFY(lines[2].startsWith(QStringLiteral("logind: unavailable: ")));
    }

    void helperStopsEvenWhileABusHangs()
    {
        QTemporaryDir dir;
        MuteBus bus(dir.filePath(QStringLiteral("bus")));
        QVERIFY(bus.isListening());
        QProcessEnvironment environment = busFreeEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address());

        QProcess helper;
        startHelper(helper, {QStringLiteral("-dims")}, environment);
        QVERIFY(helper.waitForStarted());
        QVERIFY(!helper.waitForFinished(500));
        helper.terminate();
        QVERIFY2(helper.waitForFinished(1500), "SIGTERM must work while a bus connection is stuck");
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), 0);
    }

    void helperRefusesWhatItDoesNotKnow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("unknown letter") << QStringList{QStringLiteral("-dimx")};
        QTest::newRow("second flag unknown") << QStringList{QStringLiteral("-i"), QStringLiteral("-q")};
        QTest::newRow("not a flag") << QStringList{QStringLiteral("dims")};
        QTest::newRow("bare dash") << QStringList{QStringLiteral("-")};
        QTest::newRow("check with more") << QStringList{QStringLiteral("--check"), QStringLiteral("-d")};
    }

    void helperRefusesWhatItDoesNotKnow()
    {
        QFETCH(QStringList, arguments);
        QProcess helper;
        startHelper(helper, arguments);
        QVERIFY(helper.waitForFinished(3000));
        QCOMPARE(helper.exitCode(), 2);
        QVERIFY(helper.readAllStandardError().startsWith("usage: launcher-keepawake"));
        QVERIFY(helper.readAllStandardOutput().isEmpty());
    }

    void defaultProgramIsTheHelperBesideTheExecutable()
    {
        const QFileInfo program(defaultKeepAwakeProgram());
        QVERIFY(program.isExecutable());
        QCOMPARE(program.canonicalFilePath(), QFileInfo(helperProgram()).canonicalFilePath());
    }
};

QTEST_GUILESS_MAIN(KeepAwakeLauncherTest)
#include "tst_keepawake.moc"
