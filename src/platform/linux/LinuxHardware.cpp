#include "platform/linux/LinuxHardware.h"

#include <QDir>
#include <QFile>

namespace launcher {

namespace {

QString firstLineOf(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readLine(4096);
    return QString::fromUtf8(bytes).trimmed();
}

// "model name\t: Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"
QString processorModelName(const QString& cpuinfoPath)
{
    QFile file(cpuinfoPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    // procfs files report a size of 0, so atEnd() cannot be trusted: read
    // lines until there are none.
    for (QByteArray bytes = file.readLine(4096); !bytes.isEmpty(); bytes = file.readLine(4096)) {
        const QString line = QString::fromUtf8(bytes);
        if (!line.startsWith(QLatin1String("model name")))
            continue;
        const qsizetype colon = line.indexOf(QLatin1Char(':'));
        if (colon >= 0)
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

// Boards often leave these vendor and product placeholders in the table.
bool isPlaceholder(const QString& value)
{
    static const QStringList placeholders{
        QStringLiteral("To Be Filled By O.E.M."), QStringLiteral("To be filled by O.E.M."),
        QStringLiteral("System Product Name"),    QStringLiteral("System manufacturer"),
        QStringLiteral("System Version"),         QStringLiteral("Default string"),
        QStringLiteral("Not Applicable"),         QStringLiteral("Not Specified"),
        QStringLiteral("O.E.M."),                 QStringLiteral("OEM"),
        QStringLiteral("None"),
    };
    return value.isEmpty() || placeholders.contains(value, Qt::CaseInsensitive);
}

QString dmiValue(const QDir& dmi, const char* name)
{
    const QString value = firstLineOf(dmi.filePath(QLatin1String(name)));
    return isPlaceholder(value) ? QString() : value;
}

} // namespace

MachineClass machineClassOfChassis(int chassisType)
{
    switch (chassisType) {
    case 8:  // portable
    case 9:  // laptop
    case 10: // notebook
    case 11: // hand held
    case 14: // sub notebook
    case 30: // tablet
    case 31: // convertible
    case 32: // detachable
        return MachineClass::laptop;
    case 3:  // desktop
    case 4:  // low profile desktop
    case 5:  // pizza box
    case 6:  // mini tower
    case 7:  // tower
    case 13: // all in one
    case 15: // space-saving
    case 16: // lunch box
    case 24: // sealed-case PC
    case 35: // mini PC
    case 36: // stick PC
        return MachineClass::desktop;
    default: // servers, racks, blades, "other", "unknown"
        return MachineClass::unknown;
    }
}

LinuxHardware::LinuxHardware(QString root) : root_(std::move(root)) {}

MachineDescription LinuxHardware::machineDescription()
{
    const QDir root(root_);
    const QDir dmi(root.filePath(QStringLiteral("sys/class/dmi/id")));
    QString product = dmiValue(dmi, "product_name");
    if (product.isEmpty())
        product = dmiValue(dmi, "product_family");
    const QString vendor = dmiValue(dmi, "sys_vendor");

    MachineDescription machine;
    // "HP" and "HP EliteBook 840 G5" name the maker once.
    if (vendor.isEmpty() || product.startsWith(vendor.section(QLatin1Char(' '), 0, 0), Qt::CaseInsensitive))
        machine.model = product;
    else
        machine.model = product.isEmpty() ? vendor : vendor + QLatin1Char(' ') + product;
    machine.processor = processorModelName(root.filePath(QStringLiteral("proc/cpuinfo")));
    bool number = false;
    const int chassis = firstLineOf(dmi.filePath(QStringLiteral("chassis_type"))).toInt(&number);
    machine.machineClass = number ? machineClassOfChassis(chassis) : MachineClass::unknown;
    return machine;
}

} // namespace launcher
