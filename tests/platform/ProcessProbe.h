#pragma once

// Test-side view of other processes, kept apart from the code under test.

#include <QFile>

#include <csignal>

namespace launcher::testing {

// The process exists and is not merely waiting to be collected.
inline bool isLive(qint32 pid)
{
    if (pid <= 0 || ::kill(pid, 0) != 0)
        return false;
#ifdef __linux__
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        return close < 0 || text.mid(close + 2, 1) != "Z";
    }
#endif
    return true;
}

} // namespace launcher::testing
