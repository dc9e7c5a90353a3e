#include "platform/HelperLocation.h"

#include <QDir>
#include <QFileInfo>

#ifndef LAUNCHER_HELPER_FROM_BINDIR
#define LAUNCHER_HELPER_FROM_BINDIR "../libexec/launcher"
#endif

namespace launcher {

QString keepAwakeProgramIn(const QString& programFolder)
{
    const QString name = QStringLiteral("launcher-keepawake");
    const QString beside = QDir(programFolder).filePath(name);
    // Relative to the program, so a tree installed under any prefix, or
    // unpacked somewhere else, still finds its own helper.
    const QString installed
        = QDir::cleanPath(QDir(programFolder).filePath(QStringLiteral(LAUNCHER_HELPER_FROM_BINDIR "/") + name));
    for (const QString& candidate : {beside, installed}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return candidate;
    }
    return beside;
}

} // namespace launcher
