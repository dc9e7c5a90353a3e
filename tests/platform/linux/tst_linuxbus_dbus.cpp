// The keep-awake helper and logind's inhibitor list on a private session bus,
// which also plays the system bus, with stand-ins for the desktop's screen
// saver and for logind.

#include "platform/linux/LinuxPower.h"

#include "../ProcessProbe.h"

#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>
#include <QtTest>

#include <fcntl.h>
#include <future>
#include <poll.h>
#include <unistd.h>

using namespace launcher;
using namespace launcher::testing;

// What the stand-ins were asked; a missing reason shows as "(no reason)".
static QStringList calls;

// logind's inhibitor record: what, who, why, mode, uid, pid.
struct Inhibitor {
    QString what, who, why, mode;
    uint uid = 0, pid = 0;
};
Q_DECLARE_METATYPE(Inhibitor)

QDBusArgument& operator<<(QDBusArgument& argument, const Inhibitor& inhibitor)
{
    argument.beginStructure();
    argument << inhibitor.what << inhibitor.who << inhibitor.why << inhibitor.mode << inhibitor.uid << inhibitor.pid;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, Inhibitor& inhibitor)
{
    argument.beginStructure();
    argument >> inhibitor.what >> inhibitor.who >> inhibitor.why >> inhibitor.mode >> inhibitor.uid >> inhibitor.pid;
    argument.endStructure();
    return argument;
}

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
    QList<Inhibitor> inhibitors;

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
    QList<Inhibitor> ListInhibitors() { return inhibitors; }
};

class LinuxBusTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Before the first use of any bus, which fixes their addresses.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", qgetenv("DBUS_SESSION_BUS_ADDRESS"));
        bus = QDBusConnection::sessionBus();
        QVERIFY2(bus.isConnected(), "needs a session bus (dbus-run-session)");
        QVERIFY(bus.connectionCapabilities() & QDBusConnection::UnixFileDescriptorPassing);
        qDBusRegisterMetaType<Inhibitor>();
        qDBusRegisterMetaType<QList<Inhibitor>>();
        QVERIFY(LinuxPower().powerAssertionsText().isEmpty()); // a bus without logind
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver"))
                && bus.registerService(QStringLiteral("org.freedesktop.login1"))
                && bus.registerObject(QStringLiteral("/org/freedesktop/login1"), &logind, QDBusConnection::ExportAllSlots));
    }

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

        const QString address = qEnvironmentVariable("DBUS_SESSION_BUS_ADDRESS");
        QProcess helper;
        startHelper(helper, flags, {"DISPLAY", "DBUS_SESSION_BUS_ADDRESS=" + address, "DBUS_SYSTEM_BUS_ADDRESS=" + address});
        QTRY_COMPARE(calls, expected);
        QTest::qWait(300); // and nothing more comes
        QCOMPARE(calls, expected);
        QCOMPARE(logind.lockHeld(), sleep);

        QVERIFY(stopsCleanly(helper, SIGTERM, 4000));
        if (display)
            expected << QStringLiteral("screensaver UnInhibit 7001");
        QCOMPARE(calls, expected);
        QVERIFY(!logind.lockHeld());
    }

    void inhibitorsListedOnePerLine()
    {
        logind.inhibitors = {{"idle", "VLC media player", "Playing video", "block", 1000, 4242},
                             {"sleep", "NetworkManager", "Needed for DHCP", "delay", 0, 612}};
        // The adapter waits for the answer, which this thread's event loop gives.
        auto asked = std::async(std::launch::async, [] { return LinuxPower().powerAssertionsText(); });
        QTRY_VERIFY(asked.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        const QStringList lines = asked.get().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        for (const char* part : {"VLC media player", "Playing video", "idle", "4242"})
            QVERIFY2(lines.at(0).contains(QLatin1String(part)), qPrintable(lines.at(0)));
        QVERIFY2(lines.at(1).contains(QLatin1String("NetworkManager")), qPrintable(lines.at(1)));
    }

private:
    QDBusConnection bus{QString()};
    FakeScreenSaver screenSaver;
    FakeLogind logind;
};

QTEST_GUILESS_MAIN(LinuxBusTest)
#include "tst_linuxbus_dbus.moc"
