#include "platform/linux/LinuxRunningApplications.h"

#include <QDir>
#include <QFile>

namespace launcher {

QStringList LinuxRunningApplications::displayedNames()
{
    QStringList names;
    const QStringList entries = QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool isProcess = false;
        entry.toUInt(&isProcess);
        if (!isProcess)
            continue;
        // Processes may end between listing and reading; they are simply left out.
        QFile comm(root_ + QLatin1Char('/') + entry + QStringLiteral("/comm"));
        if (!comm.open(QIODevice::ReadOnly))
            continue;
        const QString name = QString::fromUtf8(comm.read(256)).trimmed();
        if (!name.isEmpty())
            names << name;
    }
    names.removeDuplicates();
    return names;
}

} // namespace launcher
