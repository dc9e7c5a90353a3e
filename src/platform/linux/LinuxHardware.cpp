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

} // namespace

LinuxHardware::LinuxHardware(QString root) : root_(std::move(root)) {}

std::optional<QString> LinuxHardware::hardwareOverview()
{
    const QDir root(root_);
    QString model = firstLineOf(root.filePath(QStringLiteral("sys/class/dmi/id/product_name")));
    if (model.isEmpty())
        model = firstLineOf(root.filePath(QStringLiteral("sys/class/dmi/id/product_family")));
    const QString processor = processorModelName(root.filePath(QStringLiteral("proc/cpuinfo")));
    if (model.isEmpty() && processor.isEmpty())
        return std::nullopt;

    QString overview = QStringLiteral("Hardware Overview:\n\n");
    if (!model.isEmpty())
        overview += QStringLiteral("      Model Name: ") + model + QLatin1Char('\n');
    if (!processor.isEmpty())
        overview += QStringLiteral("      Processor Name: ") + processor + QLatin1Char('\n');
    return overview;
}

} // namespace launcher
