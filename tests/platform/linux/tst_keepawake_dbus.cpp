// The keep-awake launcher and helper as real processes on a private session
// bus that also plays the system bus, with stand-ins for the desktops'
// services (session manager, power management, screen saver, portal) and
// for logind.

#include "platform/PosixKeepAwakeLauncher.h"

#include "../ProcessProbe.h"
#include "support/Files.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusObjectPath>
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

Q_DECLARE_METATYPE(std::optional<launcher::KeepAwakeCoverage>)

// What the stand-ins were asked, and the locks they still hand out, each
// with the bus name of its holder.
static QStringList calls;
static QMap<QString, QString> held;

// A desktop service that can be told to say no.
class StandIn : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    bool refuse = false;
    bool stuck = false; // never answers

protected:
    // False (and an error sent back, or nothing) when refusing or stuck.
    bool answer(const QString& call)
    {
        calls << call;
        if (stuck)
            setDelayedReply(true);
        else if (refuse)
            sendErrorReply(QDBusError::AccessDenied, QStringLiteral("not now"));
        return !refuse && !stuck;
    }
    uint lend(uint cookie)
    {
        held.insert(QString::number(cookie), message().service());
        return cookie;
    }
    void takeBack(const QString& call, uint cookie)
    {
        calls << call;
        held.remove(QString::number(cookie));
    }
};

class FakeGnomeSession : public StandIn {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.SessionManager")
public slots:
    uint Inhibit(const QString& application, uint window, const QString& reason, uint flags)
    {
        return answer(QStringLiteral("gnome Inhibit %1 %2 %3").arg(application).arg(window).arg(flags)
                      + (reason.isEmpty() ? " (no reason)" : ""))
            ? lend(100 + flags) : 0;
    }
    void Uninhibit(uint cookie) { takeBack(QStringLiteral("gnome Uninhibit %1").arg(cookie), cookie); }
};

// The screen saver and power management take the same two calls.
class FakeCookieService : public StandIn {
    Q_OBJECT
public:
    FakeCookieService(const char* name, uint cookie) : name_(QString::fromLatin1(name)), cookie_(cookie) {}
public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        return answer(QStringLiteral("%1 Inhibit %2").arg(name_, application) + (reason.isEmpty() ? " (no reason)" : ""))
            ? lend(cookie_) : 0;
    }
    void UnInhibit(uint cookie) { takeBack(QStringLiteral("%1 UnInhibit %2").arg(name_).arg(cookie), cookie); }
private:
    QString name_;
    uint cookie_;
};

class FakeScreenSaver : public FakeCookieService {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    FakeScreenSaver() : FakeCookieService("screensaver", 7001) {}
};

class FakePowerManagement : public FakeCookieService {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.PowerManagement.Inhibit")
public:
    FakePowerManagement() : FakeCookieService("power", 21) {}
};

// A portal lock is a request object; closing it ends the lock.
class FakePortalRequest : public StandIn {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Request")
public:
    explicit FakePortalRequest(uint flags) : flags_(flags) {}
public slots:
    void Close() { takeBack(QStringLiteral("portal Close %1").arg(flags_), 300 + flags_); }
private:
    uint flags_;
};

class FakePortal : public StandIn {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Inhibit")
public slots:
    QDBusObjectPath Inhibit(const QString& window, uint flags, const QVariantMap& options)
    {
        if (!answer(QStringLiteral("portal Inhibit '%1' %2").arg(window).arg(flags)
                    + (options.value("reason").toString().isEmpty() ? " (no reason)" : "")))
            return {};
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/t/%1").arg(flags);
        auto* request = new FakePortalRequest(flags);
        request->setParent(this);
        connection().registerObject(path, request, QDBusConnection::ExportAllSlots);
        lend(300 + flags);
        return QDBusObjectPath(path);
    }
};

// Hands out the write end of a pipe, as logind does: the lock lasts until
// every copy of it is closed, which the read end sees as end of file.
class FakeLogind : public StandIn {
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
        if (!answer(QStringLiteral("logind Inhibit %1 %2 %3").arg(what, who, mode) + (why.isEmpty() ? " (no reason)" : "")))
            return {};
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
        const auto exportAt = [&](const char* path, QObject* object) {
            return bus.registerObject(QString::fromLatin1(path), object, QDBusConnection::ExportAllSlots);
        };
        QVERIFY(exportAt("/org/freedesktop/login1", &logind) && exportAt("/org/gnome/SessionManager", &gnome)
                && exportAt("/org/freedesktop/PowerManagement/Inhibit", &power)
                && exportAt("/org/freedesktop/portal/desktop", &portal)
                && exportAt("/org/freedesktop/ScreenSaver", &screenSaver));
        // A bus socket that takes connections and never says a word.
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(dir_.filePath(QStringLiteral("bus"))).constData(), sizeof address.sun_path);
        QVERIFY(::bind(muteBus_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 && ::listen(muteBus_, 8) == 0);
    }

    void cleanupTestCase() { ::close(muteBus_); }

    void init()
    {
        calls.clear();
        held.clear();
    }

    // Each desktop's own services are asked, with the flags that mean what
    // the mode needs, and the first line names what holds each of the two.
    void locksFollowTheDesktopAndMode_data()
    {
        QTest::addColumn<QStringList>("services"); // "-name" for one that refuses, "~name" for one that is stuck
        QTest::addColumn<QStringList>("flags");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("ending");
        const QString sleep = "logind Inhibit sleep launcher block";
        const QStringList gnomeDesktop{"gnome", "screensaver", "logind", "portal"};
        QTest::newRow("GNOME, normal")
            << gnomeDesktop << QStringList{"-dims"}
            << QStringList{"gnome Inhibit launcher 0 4", sleep, "screensaver Inhibit launcher", "gnome Inhibit launcher 0 8"}
            << "holding: sleep=gnome-session,logind display=screensaver,gnome-session" << SIGTERM;
        QTest::newRow("GNOME saying no")
            << QStringList{"-gnome", "logind"} << QStringList{"-i", "-m"} << QStringList{"gnome Inhibit launcher 0 4", sleep}
            << "holding: sleep=logind display=none refused=gnome-session" << SIGTERM;
        QTest::newRow("GNOME stuck") // waited for briefly, then counted as a no
            << QStringList{"~gnome", "logind"} << QStringList{"-i"} << QStringList{"gnome Inhibit launcher 0 4", sleep}
            << "holding: sleep=logind display=none refused=gnome-session" << SIGTERM;
        QTest::newRow("sandboxed GNOME: the portal too")
            << QStringList{"gnome", "portal", "sandbox"} << QStringList{"-i"} << QStringList{"gnome Inhibit launcher 0 4", "portal Inhibit '' 4"}
            << "holding: sleep=gnome-session,portal display=none" << SIGTERM;
        QTest::newRow("KDE, normal")
            << QStringList{"power", "screensaver", "logind", "portal"} << QStringList{"-dims"}
            << QStringList{"power Inhibit launcher", sleep, "screensaver Inhibit launcher"}
            << "holding: sleep=power-management,logind display=screensaver" << SIGKILL;
        QTest::newRow("portal alone")
            << QStringList{"portal"} << QStringList{"-dims"} << QStringList{"portal Inhibit '' 4", "portal Inhibit '' 8"}
            << "holding: sleep=portal display=portal" << SIGTERM;
        QTest::newRow("nothing") << QStringList{} << QStringList{"-dims"} << QStringList{}
                                 << "holding: sleep=none display=none" << SIGTERM;
    }

    void locksFollowTheDesktopAndMode()
    {
        QFETCH(QStringList, services);
        QFETCH(QStringList, flags);
        QFETCH(QStringList, asked);
        QFETCH(QString, line);
        QFETCH(int, ending);
        offer(services);
        const auto withdraw = qScopeGuard([&] { offer({}); });

        QProcess helper;
        if (services.contains("sandbox")) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("LAUNCHER_KEEPAWAKE_SANDBOX_MARKER", QCoreApplication::applicationFilePath());
            helper.setProcessEnvironment(environment);
        }
        helper.start(helperProgram, flags);
        QTRY_VERIFY(helper.canReadLine());
        QCOMPARE(QString::fromUtf8(helper.readLine()), line + '\n');
        QCOMPARE(calls, asked);
        QCOMPARE(logind.lockHeld(), line.contains("logind"));
        qsizetype lent = 0; // every lock but logind's is a cookie or a request
        for (const QString& field : line.split(' ').mid(1, 2))
            for (const QString& name : field.section('=', 1).split(','))
                lent += name != "none" && name != "logind";
        QCOMPARE(held.size(), lent);
        QCOMPARE(helper.readAllStandardError(), QByteArray()); // all it has to say is in that line

        // Every lock goes with it, whether it releases them or the bus drops them.
        ::kill(pid_t(helper.processId()), ending);
        QTRY_VERIFY_WITH_TIMEOUT(helper.state() == QProcess::NotRunning, 1500);
        QVERIFY(!logind.lockHeld());
        if (ending == SIGKILL) {
            QVERIFY(!held.isEmpty());
            for (const QString& holder : held)
                QTRY_VERIFY2(!bus.interface()->isServiceRegistered(holder).value(), qPrintable(holder));
        } else {
            QCOMPARE(helper.exitCode(), 0);
            QCOMPARE(held, (QMap<QString, QString>{}));
        }
    }

    // The check tries each lock, says why one is missing, and keeps none.
    void checkListsEveryMethod()
    {
        offer({"-gnome", "screensaver", "logind"});
        const auto withdraw = qScopeGuard([&] { offer({}); });
        QProcess helper;
        helper.start(helperProgram, {QStringLiteral("--check")});
        QTRY_COMPARE(helper.state(), QProcess::NotRunning);
        QCOMPARE(helper.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(helper.readAllStandardOutput()).split('\n'),
                 (QStringList{"sleep gnome-session: refused: not now",
                              "sleep power-management: unavailable: no org.freedesktop.PowerManagement on the session bus",
                              "sleep logind: available",
                              "sleep portal: unavailable: no org.freedesktop.portal.Desktop on the session bus",
                              "display screensaver: available",
                              "display gnome-session: refused: not now",
                              "display x11-screensaver: unavailable: DISPLAY is not set",
                              "display portal: unavailable: no org.freedesktop.portal.Desktop on the session bus",
                              ""}));
        QVERIFY(calls.contains("gnome Inhibit launcher 0 8"));
        QCOMPARE(held, (QMap<QString, QString>{}));
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
        QTRY_VERIFY(child->coverage().has_value()); // up, and said what it holds

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

    // Whatever the session bus does, the helper stays up and stops on a signal.
    void helperSurvivesAPoorSession_data()
    {
        QTest::addColumn<QByteArray>("address"); // null: none at all
        QTest::newRow("no bus address") << QByteArray();
        QTest::newRow("bus that never answers") << "unix:path=" + QFile::encodeName(dir_.filePath("bus"));
    }
    void helperSurvivesAPoorSession()
    {
        QFETCH(QByteArray, address);
        const QByteArray saved = qgetenv("DBUS_SESSION_BUS_ADDRESS");
        if (address.isNull())
            qunsetenv("DBUS_SESSION_BUS_ADDRESS");
        else
            qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        auto helper = PosixKeepAwakeLauncher(helperProgram).launch({QStringLiteral("-dims")});
        qputenv("DBUS_SESSION_BUS_ADDRESS", saved);
        QVERIFY(helper);
        QTest::qWait(500);
        QVERIFY(helper->isRunning());
        QElapsedTimer elapsed;
        elapsed.start();
        helper->terminateAndWait();
        QVERIFY2(elapsed.elapsed() < 1500, "the helper should end on SIGTERM, not need SIGKILL");
    }

    void statusLineIsReadAsCoverage_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<std::optional<KeepAwakeCoverage>>("coverage");
        using C = std::optional<KeepAwakeCoverage>;
        QTest::newRow("both") << QByteArray("holding: sleep=power-management,logind display=screensaver") << C({true, true});
        // Under GNOME a logind lock alone holds nothing, even when GNOME said no.
        QTest::newRow("GNOME's own display lock") << QByteArray("holding: sleep=logind display=gnome-session") << C({false, true});
        QTest::newRow("GNOME saying no") << QByteArray("holding: sleep=logind display=none refused=gnome-session") << C({false, false});
        QTest::newRow("logind elsewhere") << QByteArray("holding: sleep=logind display=none refused=screensaver") << C({true, false});
        QTest::newRow("missing lists, unknown keys") << QByteArray("holding: display=x11-screensaver later=1") << C({false, true});
        QTest::newRow("not the line") << QByteArray("Warning: holding: sleep=logind") << C();
    }
    void statusLineIsReadAsCoverage()
    {
        QFETCH(QByteArray, line);
        QFETCH(std::optional<KeepAwakeCoverage>, coverage);
        QCOMPARE(parseHoldingLine(line), coverage);
    }

    // The helper's error output shares the pipe: the line counts wherever it
    // comes from, what comes before it is passed over, and nothing blocks a
    // helper that writes more than anybody reads.
    void outputAndErrorShareOnePipe()
    {
        const QString script = dir_.filePath(QStringLiteral("talkative"));
        const QString finished = dir_.filePath(QStringLiteral("finished"));
        QVERIFY(writeExecutable(script, "#!/bin/sh\n"
                                        "echo 'some library: a warning' >&2\n"
                                        "echo 'holding: sleep=logind display=none' >&2\n"
                                        "head -c 1000000 /dev/zero\n"
                                        "touch '" + finished.toUtf8() + "'\n"
                                        "exec sleep 30\n"));
        auto child = PosixKeepAwakeLauncher(script).launch({});
        QVERIFY(child);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(finished), 3000); // never read, yet not stuck
        QCOMPARE(child->coverage(), std::optional<KeepAwakeCoverage>({true, false}));
        child->terminateAndWait();
    }

private:
    QTemporaryDir dir_;
    int muteBus_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    QDBusConnection bus{QString()};
    // Puts the named stand-ins on the bus ("-name": one that says no) and takes the others off.
    void offer(const QStringList& services)
    {
        const std::pair<const char*, const char*> names[] = {
            {"gnome", "org.gnome.SessionManager"},
            {"power", "org.freedesktop.PowerManagement"},
            {"screensaver", "org.freedesktop.ScreenSaver"},
            {"portal", "org.freedesktop.portal.Desktop"},
            {"logind", "org.freedesktop.login1"},
        };
        for (const auto& [name, service] : names) {
            const QString plain = QString::fromLatin1(name);
            if (services.contains(plain) || services.contains('-' + plain) || services.contains('~' + plain))
                bus.registerService(QString::fromLatin1(service));
            else
                bus.unregisterService(QString::fromLatin1(service));
        }
        for (auto [name, standIn] : std::initializer_list<std::pair<const char*, StandIn*>>{
                 {"gnome", &gnome}, {"power", &power}, {"screensaver", &screenSaver}, {"portal", &portal}, {"logind", &logind}}) {
            standIn->refuse = services.contains('-' + QString::fromLatin1(name));
            standIn->stuck = services.contains('~' + QString::fromLatin1(name));
        }
    }

    FakeScreenSaver screenSaver;
    FakeGnomeSession gnome;
    FakePowerManagement power;
    FakePortal portal;
    FakeLogind logind;
};

QTEST_GUILESS_MAIN(KeepAwakeTest)
#include "tst_keepawake_dbus.moc"
