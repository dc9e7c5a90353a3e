#include "platform/linux/LinuxPower.h"
#include "platform/linux/LinuxRunningApplications.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace launcher;

Q_DECLARE_METATYPE(launcher::PowerSourceKind)

namespace {

// Writes "name/attribute" files under root, as the kernel lays them out.
void writeAttributes(const QString& root, const QString& name, const QMap<QString, QString>& attributes)
{
    QDir().mkpath(root + QLatin1Char('/') + name);
    for (auto it = attributes.begin(); it != attributes.end(); ++it) {
        QFile file(root + QLatin1Char('/') + name + QLatin1Char('/') + it.key());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(it.value().toUtf8() + "\n");
    }
}

} // namespace

class LinuxPowerTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // No system bus here, and none should be looked for elsewhere.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/launcher-test-bus");
    }

    void mainsOnlineMeansAc()
    {
        QTemporaryDir root;
        writeAttributes(root.path(), QStringLiteral("AC"), {{"type", "Mains"}, {"online", "1"}});
        writeAttributes(root.path(), QStringLiteral("BAT0"),
                        {{"type", "Battery"}, {"status", "Charging"}, {"capacity", "87"}});

        const PowerSnapshot snapshot = LinuxPower(root.path()).currentPowerSnapshot();
        QCOMPARE(snapshot.source, PowerSourceKind::ac);
        QCOMPARE(snapshot.batteryPercent, std::optional<int>(87));
        QCOMPARE(snapshot.rawText, QStringLiteral("AC: online; BAT0: 87% Charging"));
    }

    void dischargingBatteryMeansBattery()
    {
        QTemporaryDir root;
        writeAttributes(root.path(), QStringLiteral("ADP1"), {{"type", "Mains"}, {"online", "0"}});
        writeAttributes(root.path(), QStringLiteral("BAT1"),
                        {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "5"}});

        const PowerSnapshot snapshot = LinuxPower(root.path()).currentPowerSnapshot();
        QCOMPARE(snapshot.source, PowerSourceKind::battery);
        QCOMPARE(snapshot.batteryPercent, std::optional<int>(5));
        QCOMPARE(snapshot.rawText, QStringLiteral("ADP1: offline; BAT1: 5% Discharging"));
    }

    void sourceFromWhatTheSuppliesSay_data()
    {
        QTest::addColumn<QString>("mainsType");   // empty: no charger entry
        QTest::addColumn<QString>("mainsOnline");
        QTest::addColumn<QString>("batteryStatus"); // empty: no battery
        QTest::addColumn<PowerSourceKind>("source");

        QTest::newRow("usb-c charger online") << "USB" << "1" << "Discharging" << PowerSourceKind::ac;
        QTest::newRow("charger online beats a discharging report") << "Mains" << "1" << "Discharging" << PowerSourceKind::ac;
        QTest::newRow("full battery, no charger entry") << "" << "" << "Full" << PowerSourceKind::ac;
        QTest::newRow("charging, no charger entry") << "" << "" << "Charging" << PowerSourceKind::ac;
        QTest::newRow("battery without a usable status") << "" << "" << "Unknown" << PowerSourceKind::unknown;
        QTest::newRow("charger offline, battery idle") << "Mains" << "0" << "Unknown" << PowerSourceKind::unknown;
        QTest::newRow("desktop: mains only") << "Mains" << "1" << "" << PowerSourceKind::ac;
    }

    void sourceFromWhatTheSuppliesSay()
    {
        QFETCH(QString, mainsType);
        QFETCH(QString, mainsOnline);
        QFETCH(QString, batteryStatus);
        QFETCH(PowerSourceKind, source);

        QTemporaryDir root;
        if (!mainsType.isEmpty())
            writeAttributes(root.path(), QStringLiteral("charger"), {{"type", mainsType}, {"online", mainsOnline}});
        if (!batteryStatus.isEmpty())
            writeAttributes(root.path(), QStringLiteral("BAT0"),
                            {{"type", "Battery"}, {"status", batteryStatus}, {"capacity", "60"}});
        QCOMPARE(LinuxPower(root.path()).currentPowerSnapshot().source, source);
    }

    void peripheralBatteriesAreLeftOut()
    {
        QTemporaryDir root;
        writeAttributes(root.path(), QStringLiteral("hidpp_battery_0"),
                        {{"type", "Battery"}, {"scope", "Device"}, {"status", "Discharging"}, {"capacity", "15"}});

        const PowerSnapshot snapshot = LinuxPower(root.path()).currentPowerSnapshot();
        QCOMPARE(snapshot.source, PowerSourceKind::unknown);
        QVERIFY(!snapshot.batteryPercent);
        QVERIFY(snapshot.rawText.isEmpty());
    }

    void firstBatteryGivesThePercentage()
    {
        QTemporaryDir root;
        writeAttributes(root.path(), QStringLiteral("BAT1"), {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "30"}});
        writeAttributes(root.path(), QStringLiteral("BAT0"), {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "70"}});
        QCOMPARE(LinuxPower(root.path()).currentPowerSnapshot().batteryPercent, std::optional<int>(70));
    }

    void unreadableCapacityIsAbsent()
    {
        QTemporaryDir root;
        writeAttributes(root.path(), QStringLiteral("BAT0"), {{"type", "Battery"}, {"status", "Discharging"}});
        const PowerSnapshot snapshot = LinuxPower(root.path()).currentPowerSnapshot();
        QCOMPARE(snapshot.source, PowerSourceKind::battery);
        QVERIFY(!snapshot.batteryPercent);
        QCOMPARE(snapshot.rawText, QStringLiteral("BAT0: Discharging"));
    }

    void noSuppliesAtAll()
    {
        QTemporaryDir root;
        for (const QString& path : {root.path(), root.path() + QStringLiteral("/missing")}) {
            const PowerSnapshot snapshot = LinuxPower(path).currentPowerSnapshot();
            QCOMPARE(snapshot.source, PowerSourceKind::unknown);
            QVERIFY(!snapshot.batteryPercent);
            QVERIFY(snapshot.rawText.isEmpty());
        }
    }

    void readsAgainOnEverySnapshot()
    {
        QTemporaryDir root;
        writeAttributes(root.path(), QStringLiteral("BAT0"), {{"type", "Battery"}, {"status", "Discharging"}, {"capacity", "40"}});
        LinuxPower power(root.path());
        QCOMPARE(power.currentPowerSnapshot().batteryPercent, std::optional<int>(40));
        writeAttributes(root.path(), QStringLiteral("BAT0"), {{"capacity", "39"}});
        QCOMPARE(power.currentPowerSnapshot().batteryPercent, std::optional<int>(39));
    }

    void noSystemBusMeansNoAssertionsAndNoWait()
    {
        QElapsedTimer timer;
        timer.start();
        QVERIFY(LinuxPower().powerAssertionsText().isEmpty());
        QVERIFY2(timer.elapsed() < 2000, "looking for a missing bus must not wait");
    }

    void runningApplicationsFromProcessNames()
    {
        QTemporaryDir proc;
        writeAttributes(proc.path(), QStringLiteral("1"), {{"comm", "init"}});
        writeAttributes(proc.path(), QStringLiteral("4242"), {{"comm", "vlc"}});
        writeAttributes(proc.path(), QStringLiteral("4243"), {{"comm", "vlc"}});
        writeAttributes(proc.path(), QStringLiteral("5000"), {{"comm", ""}});
        writeAttributes(proc.path(), QStringLiteral("self"), {{"comm", "not-a-process"}});
        writeAttributes(proc.path(), QStringLiteral("sys"), {{"comm", "kernel"}});
        QDir().mkpath(proc.path() + QStringLiteral("/6000")); // ended while we looked
        QFile(proc.path() + QStringLiteral("/version")).open(QIODevice::WriteOnly);

        QStringList names = LinuxRunningApplications(proc.path()).displayedNames();
        names.sort();
        QCOMPARE(names, QStringList({QStringLiteral("init"), QStringLiteral("vlc")}));
    }

    void runningApplicationsOfThisMachineIncludeThisTest()
    {
        const QStringList names = LinuxRunningApplications().displayedNames();
        // The kernel cuts command names to 15 bytes.
        QVERIFY(names.contains(QCoreApplication::applicationName().left(15)));
    }
};

QTEST_GUILESS_MAIN(LinuxPowerTest)
#include "tst_linuxpower.moc"
