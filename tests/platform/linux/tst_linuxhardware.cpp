#include "platform/linux/LinuxHardware.h"
#include "store/CaptureValue.h"
#include "store/Energy.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace launcher;

namespace {

void put(const QTemporaryDir& root, const QString& relative, const QByteArray& bytes)
{
    const QString path = root.filePath(relative);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

const QByteArray cpuinfo = "processor\t: 0\n"
                           "vendor_id\t: GenuineIntel\n"
                           "model name\t: Intel(R) Core(TM) i7-8550U CPU @ 1.80GHz\n"
                           "\n"
                           "processor\t: 1\n"
                           "model name\t: Some Other Core\n";

} // namespace

class LinuxHardwareTest : public QObject {
    Q_OBJECT
private slots:
    void productAndProcessorMakeTheProfile()
    {
        QTemporaryDir root;
        put(root, QStringLiteral("sys/class/dmi/id/product_name"), "ThinkPad X1 Carbon 6th\n");
        put(root, QStringLiteral("sys/class/dmi/id/product_family"), "ThinkPad X1\n");
        put(root, QStringLiteral("proc/cpuinfo"), cpuinfo);
        const auto overview = LinuxHardware(root.path()).hardwareOverview();
        QVERIFY(overview);
        const MachineProfile machine = machineProfileFromOverview(overview);
        QCOMPARE(machine.label, QStringLiteral("ThinkPad X1 Carbon 6th（Intel(R) Core(TM) i7-8550U CPU @ 1.80GHz）"));
        QCOMPARE(machine.normalModeWatts, 12.0);
    }

    void familyStandsInForAMissingProductName()
    {
        QTemporaryDir root;
        put(root, QStringLiteral("sys/class/dmi/id/product_name"), "\n");
        put(root, QStringLiteral("sys/class/dmi/id/product_family"), "MacBook Pro\n");
        const MachineProfile machine = machineProfileFromOverview(LinuxHardware(root.path()).hardwareOverview());
        QCOMPARE(machine.label, QStringLiteral("MacBook Pro"));
        QCOMPARE(machine.normalModeWatts, 14.0);
    }

    void processorAloneKeepsTheDefaultModel()
    {
        QTemporaryDir root;
        put(root, QStringLiteral("proc/cpuinfo"), cpuinfo);
        QCOMPARE(machineProfileFromOverview(LinuxHardware(root.path()).hardwareOverview()).label,
                 QStringLiteral("Mac（Intel(R) Core(TM) i7-8550U CPU @ 1.80GHz）"));
    }

    void machineWithNeitherHasNoOverview()
    {
        QTemporaryDir root;
        put(root, QStringLiteral("proc/cpuinfo"), "processor\t: 0\nCPU part\t: 0xd03\n");
        QCOMPARE(LinuxHardware(root.path()).hardwareOverview(), std::nullopt);
        QCOMPARE(machineProfileFromOverview(LinuxHardware(root.path()).hardwareOverview()),
                 (MachineProfile{QStringLiteral("Mac"), 12.0, 5.8}));
    }

    void thisMachinesProcessorIsFound()
    {
        // /proc reports files of size 0, which a reader that trusts the size misses.
        QFile cpu(QStringLiteral("/proc/cpuinfo"));
        if (!cpu.open(QIODevice::ReadOnly) || !cpu.readAll().contains("model name"))
            QSKIP("this machine names no processor model");
        const auto overview = LinuxHardware().hardwareOverview();
        QVERIFY(overview);
        QVERIFY(captureValue(*overview, QStringLiteral("Processor Name:")).value_or(QString()).size() > 0);
    }
};

QTEST_GUILESS_MAIN(LinuxHardwareTest)
#include "tst_linuxhardware.moc"
