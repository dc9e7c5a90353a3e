#pragma once

// Other processes as a test sees them, and the built keep-awake helper.

#include <QFile>
#include <QString>

#include <csignal>

namespace launcher::testing {

// The process exists and is not merely waiting to be collected.
inline bool isLive(qint32 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || ::kill(pid, 0) != 0)
        return false;
    if (!stat.open(QIODevice::ReadOnly))
        return true; // no /proc (macOS): existence is all we can tell
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

inline const QString helperProgram = QStringLiteral(LAUNCHER_BIN_DIR "/launcher-keepawake");

} // namespace launcher::testing
