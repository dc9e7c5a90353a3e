// The keep-awake launcher and helper as real processes on a private session
// bus that also plays the system bus, with stand-ins for the desktop's screen
// saver and for logind.

#include "platform/PosixKeepAwakeLauncher.h"

#include "../ProcessProbe.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace launcher;
using namespace launcher::testing;

// What the stand-ins were asked; a missing reason shows as "(no reason)".
static QStringList calls;

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        calls << QStringLiteral("screensaver Inhibit %1").arg(application) + (reason.isEmpty() ? " (no reason)" : "");
        return 7001;
    }
    void UnInhibit(uint cookie) { calls << QStringLiteral("screensaver UnInhibit %1").arg(cookie); }
};

// Hands out the write end of a pipe, as logind does: the lock lasts until
// every copy of it is closed, which the read end sees as end of file.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~FakeLogind() override { ::close(readEnd); }
    bool lockHeld() const
    {
        pollfd probe{readEnd, POLLIN, 0};
        return readEnd >= 0 && ::poll(&probe, 1, 0) == 0;
    }
    int readEnd = -1;

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode)
    {
        calls << QStringLiteral("logind Inhibit %1 %2 %3").arg(what, who, mode) + (why.isEmpty() ? " (no reason)" : "");
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        ::close(std::exchange(readEnd, ends[0]));
        QDBusUnixFileDescriptor writeEnd(ends[1]); // keeps a copy of its own
        ::close(ends[1]);
        return writeEnd;
    }
};

class KeepAwakeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Before the first use of any bus, which fixes their addresses; helpers inherit them.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", qgetenv("DBUS_SESSION_BUS_ADDRESS"));
        qunsetenv("DISPLAY");
        bus = QDBusConnection::sessionBus();
        QVERIFY2(bus.isConnected(), "needs a session bus (dbus-run-session)");
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"))
                && bus.registerService(QStringLiteral("org.freedesktop.login1"))
                && bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind, QDBusConnection::ExportAllSlots));
        // A bus socket that takes connections and never says a word.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(dir_.filePath(QStringLiteral("bus"))).constData(), sizeof address.sun_path);
        QVERIFY(::bind(muteBus_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(muteBus_, 8) == 0);
    }

    void cleanupTestCase() { ::close(muteBus_); }

    void locksFollowTheFlags_data()
    {
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QString>("saverPath");
        QTest::addColumn<bool>("display");
        QTest::addColumn<bool>("sleep");
        QTest::newRow("normal") << QStringList{"-dims"} << "/org/freedesktop/ScreenSaver" << true << true;
        QTest::newRow("forced") << QStringList{"-i", "-m"} << "/org/freedesktop/ScreenSaver" << false << true;
        QTest::newRow("display only, older path") << QStringList{"-d"} << "/ScreenSaver" << true << false;
    }

    void locksFollowTheFlags()
    {
        QFETCH(QStringList, flags);
        QFETCH(QString, saverPath);
        QFETCH(bool, display);
        QFETCH(bool, sleep);
        QVERIFY(bus.registerObject(saverPath, &screenSaver, QDBusConnection::ExportAllSlots));
        const auto unregister = qScopeGuard([&] { bus.unregisterObject(saverPath); });
        calls.clear();
        QStringList expected;
        if (display)
            expected << QStringLiteral("screensaver Inhibit launcher");
        if (sleep)
            expected << QStringLiteral("logind Inhibit idle:sleep launcher block");

        PosixKeepAwakeLauncher launcher(helperProgram);
        auto helper = launcher.launch(flags);
        QVERIFY(helper);
        QTRY_COMPARE(calls, expected);
        QTRY_COMPARE(helper->holdsAnything(), std::optional<bool>(true));
        QTest::qWait(300); // and nothing more comes
        QCOMPARE(calls, expected);
        QCOMPARE(logind.lockHeld(), sleep);

        // Released on SIGTERM, well before the launcher would resort to SIGKILL.
        launcher.sendTerminate(helper->pid());
        QTRY_VERIFY_WITH_TIMEOUT(!helper->isRunning(), 1500);
        if (display)
            expected << QStringLiteral("screensaver UnInhibit 7001");
        QCOMPARE(calls, expected);
        QVERIFY(!logind.lockHeld());
    }

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
        QTRY_VERIFY(child->holdsAnything().has_value()); // up, and said what it holds

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

    // Whatever the session offers, the helper stays up and stops on a signal;
    // even while a bus connection is stuck.
    void helperSurvivesAPoorSession_data()
    {
        QTest::addColumn<QStringList>("environment"); // NAME=value, or NAME to unset
        QTest::newRow("no bus address, no runtime folder")
            << QStringList{"DBUS_SESSION_BUS_ADDRESS", "XDG_RUNTIME_DIR=/nonexistent"};
        QTest::newRow("display without a server") << QStringList{"DISPLAY=:987"};
        QTest::newRow("bus that never answers") << QStringList{"DBUS_SESSION_BUS_ADDRESS=unix:path=" + dir_.filePath("bus")};
    }
    void helperSurvivesAPoorSession()
    {
        QFETCH(QStringList, environment);
        const QProcessEnvironment saved = QProcessEnvironment::systemEnvironment();
        for (const QString& entry : environment) {
            const QString name = entry.section(QLatin1Char('='), 0, 0);
            if (entry.contains(QLatin1Char('=')))
                qputenv(name.toLatin1(), entry.section(QLatin1Char('='), 1).toLocal8Bit());
            else
                qunsetenv(name.toLatin1());
        }
        auto helper = PosixKeepAwakeLauncher(helperProgram).launch({QStringLiteral("-dims")});
        for (const QString& entry : environment) {
            const QString name = entry.section(QLatin1Char('='), 0, 0);
            if (saved.contains(name))
                qputenv(name.toLatin1(), saved.value(name).toLocal8Bit());
            else
                qunsetenv(name.toLatin1());
        }
        QVERIFY(helper);
        QTest::qWait(500);
        QVERIFY(helper->isRunning());
        QElapsedTimer elapsed;
        elapsed.start();
        helper->terminateAndWait();
        QVERIFY2(elapsed.elapsed() < 1500, "the helper should end on SIGTERM, not need SIGKILL");
    }

    void statusLineTellsWhetherAnythingIsHeld()
    {
        QCOMPARE(parseHoldingLine("holding: none"), std::optional<bool>(false));
        QCOMPARE(parseHoldingLine("hello"), std::nullopt);
    }

private:
    QTemporaryDir dir_;
    int muteBus_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QDBusConnection bus{QString()};
    FakeScreenSaver screenSaver;
    FakeLogind logind;
};

QTEST_GUILESS_MAIN(KeepAwakeTest)
#include "tst_keepawake_dbus.moc"
