#include "platform/linux/LinuxHardware.h"
#include "store/CaptureValue.h"
#include "store/Energy.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace launcher;
using namespace launcher::testing;

class LinuxHardwareTest : public QObject {
    Q_OBJECT
private slots:
    void profileFromSysfsAndCpuinfo()
    {
        // Label and watts for a tree with these files (none where empty).
        const auto profile = [](const QByteArray& product, const QByteArray& family, const QByteArray& cpuinfo) {
            QTemporaryDir root;
            QDir(root.path()).mkpath(QStringLiteral("sys/class/dmi/id"));
            QDir(root.path()).mkpath(QStringLiteral("proc"));
            for (const auto& [name, bytes] : {std::pair(QStringLiteral("sys/class/dmi/id/product_name"), product),
                                              std::pair(QStringLiteral("sys/class/dmi/id/product_family"), family),
                                              std::pair(QStringLiteral("proc/cpuinfo"), cpuinfo)}) {
                if (!bytes.isEmpty())
                    writeFile(root.filePath(name), bytes);
            }
            const auto overview = LinuxHardware(root.path()).hardwareOverview();
            const MachineProfile machine = machineProfileFromOverview(overview);
            return overview ? QStringLiteral("%1 %2 W").arg(machine.label).arg(machine.normalModeWatts)
                            : QStringLiteral("no overview");
        };
        const QByteArray intel = "processor\t: 0\nvendor_id\t: GenuineIntel\n"
                                 "model name\t: Intel(R) Core(TM) i7-8550U CPU @ 1.80GHz\n\n"
                                 "processor\t: 1\nmodel name\t: Some Other Core\n";
        QCOMPARE(profile("ThinkPad X1 Carbon 6th\n", "ThinkPad X1\n", intel),
                 QStringLiteral("ThinkPad X1 Carbon 6th（Intel(R) Core(TM) i7-8550U CPU @ 1.80GHz） 12 W"));
        QCOMPARE(profile("\n", "MacBook Pro\n", {}), QStringLiteral("MacBook Pro 14 W"));
        QCOMPARE(profile({}, {}, intel), QStringLiteral("Mac（Intel(R) Core(TM) i7-8550U CPU @ 1.80GHz） 12 W"));
        QCOMPARE(profile({}, {}, "processor\t: 0\nCPU part\t: 0xd03\n"), QStringLiteral("no overview"));
    }

    void thisMachinesProcessorIsFound()
    {
        // /proc reports files of size 0, which a reader that trusts the size misses.
        QFile cpu(QStringLiteral("/proc/cpuinfo"));
        if (!cpu.open(QIODevice::ReadOnly) || !cpu.readAll().contains("model name"))
            QSKIP("this machine names no processor model");
        const auto overview = LinuxHardware().hardwareOverview();
        QVERIFY(overview);
        QVERIFY(!captureValue(*overview, QStringLiteral("Processor Name:")).value_or(QString()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(LinuxHardwareTest)
#include "tst_linuxhardware.moc"
