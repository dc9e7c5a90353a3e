#include "platform/linux/LinuxPower.h"

#include <QDBusConnection>
#include <QDBusMetaType>
#include <QScopeGuard>
#include <QTest>
#include <QThread>

using namespace launcher;

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

// Stands in for logind on the test's own bus. It lives on a thread of its
// own, because the adapter waits for the answer on the main thread.
class FakeLogin : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    QList<Inhibitor> inhibitors;
public slots:
    QList<Inhibitor> ListInhibitors() { return inhibitors; }
};

class LinuxInhibitorsTest : public QObject {
    Q_OBJECT

private slots:
    void listsEveryInhibitorOnALine()
    {
        // The test's session bus plays the system bus.
        QVERIFY(!qgetenv("DBUS_SESSION_BUS_ADDRESS").isEmpty());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", qgetenv("DBUS_SESSION_BUS_ADDRESS"));
        qDBusRegisterMetaType<Inhibitor>();
        qDBusRegisterMetaType<QList<Inhibitor>>();
        QVERIFY(QDBusConnection::systemBus().isConnected());
        QVERIFY(LinuxPower().powerAssertionsText().isEmpty()); // a bus without logind

        QThread thread;
        FakeLogin login;
        login.inhibitors = {{"idle", "VLC media player", "Playing video", "block", 1000, 4242},
                            {"sleep", "NetworkManager", "Needed for DHCP", "delay", 0, 612}};
        login.moveToThread(&thread);
        thread.start();
        const auto stopThread = qScopeGuard([&] {
            QDBusConnection::disconnectFromBus(QStringLiteral("fake-logind"));
            thread.quit();
            thread.wait();
        });
        QDBusConnection service = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-logind"));
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/login1"), &login, QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.login1")));

        const QStringList lines = LinuxPower().powerAssertionsText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 2);
        for (const char* part : {"VLC media player", "Playing video", "idle", "4242"})
            QVERIFY2(lines.at(0).contains(QLatin1String(part)), qPrintable(lines.at(0)));
        for (const char* part : {"NetworkManager", "delay"})
            QVERIFY2(lines.at(1).contains(QLatin1String(part)), qPrintable(lines.at(1)));

        login.inhibitors.clear();
        QVERIFY(LinuxPower().powerAssertionsText().isEmpty());
    }
};

QTEST_GUILESS_MAIN(LinuxInhibitorsTest)
#include "tst_linuxinhibitors_dbus.moc"
