#include "platform/linux/LinuxPower.h"
#include "platform/linux/LinuxRunningApplications.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace launcher;

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

void writeBattery(const QString& root, const QString& name, const char* status, const char* capacity)
{
    writeAttributes(root, name, {{"type", "Battery"}, {"status", status}, {"capacity", capacity}});
}

} // namespace

class LinuxPowerTest : public QObject {
    Q_OBJECT

private slots:
    void snapshotFromWhatTheSuppliesSay()
    {
        // No charger type: no charger entry; no status: no battery.
        struct Case {
            const char *chargerType, *online, *status, *capacity;
            PowerSourceKind source;
            std::optional<int> percent;
            const char* rawText;
        };
        const Case cases[] = {
            {"Mains", "1", "Charging", "87", PowerSourceKind::ac, 87, "AC: online; BAT0: 87% Charging"},
            {"Mains", "0", "Discharging", "5", PowerSourceKind::battery, 5, "AC: offline; BAT0: 5% Discharging"},
            {nullptr, nullptr, nullptr, "", PowerSourceKind::unknown, std::nullopt, ""},
            {nullptr, nullptr, "Discharging", "", PowerSourceKind::battery, std::nullopt, "BAT0: Discharging"},
            {"USB", "1", "Discharging", "60", PowerSourceKind::ac, 60, "AC: online; BAT0: 60% Discharging"},
            {nullptr, nullptr, "Full", "100", PowerSourceKind::ac, 100, "BAT0: 100% Full"},
            {"Mains", "0", "Unknown", "60", PowerSourceKind::unknown, 60, "AC: offline; BAT0: 60% Unknown"},
            {"Mains", "1", nullptr, "", PowerSourceKind::ac, std::nullopt, "AC: online"},
        };
        for (const auto& each : cases) {
            QTemporaryDir root;
            if (each.chargerType)
                writeAttributes(root.path(), QStringLiteral("AC"), {{"type", each.chargerType}, {"online", each.online}});
            if (each.status)
                writeBattery(root.path(), QStringLiteral("BAT0"), each.status, each.capacity);
            const PowerSnapshot snapshot = LinuxPower(root.path()).currentPowerSnapshot();
            QVERIFY2(snapshot.source == each.source && snapshot.batteryPercent == each.percent, each.rawText);
            QCOMPARE(snapshot.rawText, QString::fromUtf8(each.rawText));
        }
    }

    void onlyTheMachinesOwnBatteriesCount()
    {
        QTemporaryDir root;
        QCOMPARE(LinuxPower(root.path() + "/missing").currentPowerSnapshot().source, PowerSourceKind::unknown);

        // Mice and phones report their batteries too.
        writeAttributes(root.path(), QStringLiteral("hidpp_battery_0"),
                        {{"type", "Battery"}, {"scope", "Device"}, {"status", "Discharging"}, {"capacity", "15"}});
        LinuxPower power(root.path());
        const PowerSnapshot snapshot = power.currentPowerSnapshot();
        QVERIFY(snapshot.source == PowerSourceKind::unknown && !snapshot.batteryPercent && snapshot.rawText.isEmpty());

        writeBattery(root.path(), QStringLiteral("BAT1"), "Discharging", "30");
        writeBattery(root.path(), QStringLiteral("BAT0"), "Discharging", "70");
        QCOMPARE(power.currentPowerSnapshot().batteryPercent, std::optional<int>(70));
        writeAttributes(root.path(), QStringLiteral("BAT0"), {{"capacity", "69"}}); // read anew every time
        QCOMPARE(power.currentPowerSnapshot().batteryPercent, std::optional<int>(69));
    }

    void noSystemBusMeansNoAssertionsAndNoWait()
    {
        // No system bus here, and none should be looked for elsewhere.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/launcher-test-bus");
        QElapsedTimer timer;
        timer.start();
        QVERIFY(LinuxPower().powerAssertionsText().isEmpty());
        QVERIFY2(timer.elapsed() < 2000, "looking for a missing bus must not wait");
    }

    void runningApplicationsFromProcessNames()
    {
        QTemporaryDir proc;
        const std::pair<const char*, const char*> entries[] = {
            {"1", "init"}, {"4242", "vlc"}, {"4243", "vlc"}, {"5000", ""}, {"self", "not-a-process"}};
        for (const auto& [entry, comm] : entries)
            writeAttributes(proc.path(), QString::fromLatin1(entry), {{"comm", comm}});
        QDir().mkpath(proc.path() + QStringLiteral("/6000")); // ended while we looked

        QStringList names = LinuxRunningApplications(proc.path()).displayedNames();
        names.sort();
        QCOMPARE(names, QStringList({QStringLiteral("init"), QStringLiteral("vlc")}));
        // This machine's list holds this test; the kernel cuts names to 15 bytes.
        QVERIFY(LinuxRunningApplications().displayedNames().contains(QCoreApplication::applicationName().left(15)));
    }
};

QTEST_GUILESS_MAIN(LinuxPowerTest)
#include "tst_linuxpower.moc"
