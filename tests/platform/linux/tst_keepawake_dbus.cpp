// The keep-awake helper on a private session bus: first with nothing on it,
// then with stand-ins for the desktop's screen saver and for logind (the
// same bus plays the system bus).

#include "HelperTesting.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace launcher::testing;

class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    QStringList inhibits; // "application|reason"
    QList<uint> uninhibited;
    uint nextCookie = 7001;

public slots:
    uint Inhibit(const QString& application, const QString& reason)
    {
        inhibits << application + QLatin1Char('|') + reason;
        return nextCookie++;
    }
    void UnInhibit(uint cookie) { uninhibited << cookie; }
};

// Hands out the write end of a pipe, as logind does: the lock lasts until
// every copy of it is closed, which the read end sees as end of file.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    ~FakeLogind() override
    {
        if (readEnd >= 0)
            ::close(readEnd);
    }

    QList<QStringList> inhibits;
    int readEnd = -1;

    // Still held: no end of file on the read side.
    bool lockHeld() const
    {
        pollfd probe{readEnd, POLLIN, 0};
        return readEnd >= 0 && ::poll(&probe, 1, 0) == 0;
    }

public slots:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString& who, const QString& why, const QString& mode)
    {
        inhibits << QStringList{what, who, why, mode};
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        if (readEnd >= 0)
            ::close(readEnd);
        readEnd = ends[0];
        QDBusUnixFileDescriptor writeEnd(ends[1]); // keeps a copy of its own
        ::close(ends[1]);
        return writeEnd;
    }
};

namespace {

const QString screenSaverService = QStringLiteral("org.freedesktop.ScreenSaver");
const QString logindService = QStringLiteral("org.freedesktop.login1");

QProcessEnvironment helperEnvironment(bool busAsSystemBus)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("DISPLAY"));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"),
                       busAsSystemBus ? environment.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"))
                                      : QStringLiteral("unix:path=/nonexistent/system_bus_socket"));
    return environment;
}

QStringList checkLines(bool busAsSystemBus)
{
    QProcess check;
    startHelper(check, {QStringLiteral("--check")}, helperEnvironment(busAsSystemBus));
    // Our stand-ins answer from this thread, so keep its loop running meanwhile.
    for (int waited = 0; waited < 5000 && check.state() != QProcess::NotRunning; waited += 20)
        QTest::qWait(20);
    if (check.state() != QProcess::NotRunning || check.exitCode() != 0)
        return {};
    return QString::fromUtf8(check.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class KeepAwakeDbusTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY2(bus().isConnected(), "needs a session bus (dbus-run-session)");
        QVERIFY(bus().connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing);
    }

    void cleanup()
    {
        bus().unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        bus().unregisterObject(QStringLiteral("/ScreenSaver"));
        bus().unregisterObject(QStringLiteral("/org/freedesktop/login1"));
        bus().unregisterService(screenSaverService);
        bus().unregisterService(logindService);
    }

    void copesWithABusThatHasNoServices()
    {
        for (bool busAsSystemBus : {false, true}) {
            QProcess helper;
            startHelper(helper, {QStringLiteral("-dims")}, helperEnvironment(busAsSystemBus));
            QVERIFY(helper.waitForStarted());
            QVERIFY(!helper.waitForFinished(500));
            helper.terminate();
            QVERIFY(helper.waitForFinished(2000));
            QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
            QCOMPARE(helper.exitCode(), 0);
        }
        const QStringList lines = checkLines(true);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[1], QStringLiteral("freedesktop-screensaver: unavailable: no org.freedesktop.ScreenSaver on the session bus"));
        QCOMPARE(lines[2], QStringLiteral("logind: unavailable: no org.freedesktop.login1 on the system bus"));
    }

    void normalModeHoldsBothLocksUntilItEnds()
    {
        FakeScreenSaver screenSaver;
        FakeLogind logind;
        QVERIFY(registerScreenSaver(screenSaver, QStringLiteral("/org/freedesktop/ScreenSaver")));
        QVERIFY(registerLogind(logind));
        const QStringList lines = checkLines(true);
        QCOMPARE(lines.value(1), QStringLiteral("freedesktop-screensaver: available"));
        QCOMPARE(lines.value(2), QStringLiteral("logind: available"));
        QVERIFY(screenSaver.inhibits.isEmpty() && logind.inhibits.isEmpty()); // --check takes nothing

        QProcess helper;
        startHelper(helper, {QStringLiteral("-dims")}, helperEnvironment(true));
        QTRY_COMPARE(screenSaver.inhibits.size(), 1);
        QTRY_COMPARE(logind.inhibits.size(), 1);
        QCOMPARE(screenSaver.inhibits[0].section(QLatin1Char('|'), 0, 0), QStringLiteral("launcher"));
        QVERIFY(!screenSaver.inhibits[0].section(QLatin1Char('|'), 1).isEmpty());
        const QStringList lock = logind.inhibits[0];
        QCOMPARE(lock[0], QStringLiteral("idle:sleep"));
        QCOMPARE(lock[1], QStringLiteral("launcher"));
        QVERIFY(!lock[2].isEmpty());
        QCOMPARE(lock[3], QStringLiteral("block"));

        QTest::qWait(300);
        QVERIFY(logind.lockHeld());
        QVERIFY(screenSaver.uninhibited.isEmpty());

        helper.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(helper.state() == QProcess::NotRunning, 4000);
        QCOMPARE(helper.exitStatus(), QProcess::NormalExit);
        QCOMPARE(helper.exitCode(), 0);
        QCOMPARE(screenSaver.uninhibited, QList<uint>{7001});
        QVERIFY(!logind.lockHeld());
    }

    void forcedModeTakesOnlyTheSleepLock()
    {
        FakeScreenSaver screenSaver;
        FakeLogind logind;
        QVERIFY(registerScreenSaver(screenSaver, QStringLiteral("/org/freedesktop/ScreenSaver")));
        QVERIFY(registerLogind(logind));

        QProcess helper;
        startHelper(helper, {QStringLiteral("-i"), QStringLiteral("-m")}, helperEnvironment(true));
        QTRY_COMPARE(logind.inhibits.size(), 1);
        QTest::qWait(300);
        QVERIFY(screenSaver.inhibits.isEmpty());
        QVERIFY(logind.lockHeld());
        helper.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(helper.state() == QProcess::NotRunning, 4000);
        QCOMPARE(helper.exitCode(), 0);
        QVERIFY(!logind.lockHeld());
    }

    void displayOnlyTakesNoSleepLock()
    {
        FakeScreenSaver screenSaver;
        FakeLogind logind;
        QVERIFY(registerScreenSaver(screenSaver, QStringLiteral("/ScreenSaver"))); // the older place
        QVERIFY(registerLogind(logind));

        QProcess helper;
        startHelper(helper, {QStringLiteral("-d")}, helperEnvironment(true));
        QTRY_COMPARE(screenSaver.inhibits.size(), 1);
        QTest::qWait(300);
        QVERIFY(logind.inhibits.isEmpty());
        helper.terminate();
        QTRY_VERIFY_WITH_TIMEOUT(helper.state() == QProcess::NotRunning, 4000);
        QCOMPARE(helper.exitCode(), 0);
        QCOMPARE(screenSaver.uninhibited, QList<uint>{7001});
    }

private:
    static QDBusConnection bus() { return QDBusConnection::sessionBus(); }

    static bool registerScreenSaver(FakeScreenSaver& fake, const QString& path)
    {
        return bus().registerService(screenSaverService) && bus().registerObject(path, &fake, QDBusConnection::ExportAllSlots);
    }

    static bool registerLogind(FakeLogind& fake)
    {
        return bus().registerService(logindService)
               && bus().registerObject(QStringLiteral("/org/freedesktop/login1"), &fake, QDBusConnection::ExportAllSlots);
    }
};

QTEST_GUILESS_MAIN(KeepAwakeDbusTest)
#include "tst_keepawake_dbus.moc"
