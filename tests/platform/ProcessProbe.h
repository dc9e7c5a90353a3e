#pragma once

// Test-side view of other processes, and running the built keep-awake helper.

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace launcher::testing {

// The process exists and is not merely waiting to be collected.
inline bool isLive(qint32 pid)
{
    if (pid <= 0 || ::kill(pid, 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true; // no /proc (macOS): existence is all we can tell
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

inline const QString helperProgram = QStringLiteral(LAUNCHER_BIN_DIR "/launcher-keepawake");

// No buses at all, so a test never takes a real lock on the machine running it;
// then each change "NAME=VALUE" sets a variable and a bare "NAME" removes one.
inline void startHelper(QProcess& helper, const QStringList& arguments, const QStringList& changes = {})
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/system_bus_socket"));
    for (const QString& change : changes) {
        if (change.contains(QLatin1Char('=')))
            environment.insert(change.section(QLatin1Char('='), 0, 0), change.section(QLatin1Char('='), 1));
        else
            environment.remove(change);
    }
    helper.setProcessEnvironment(environment);
    helper.start(helperProgram, arguments);
}

// Keeps this thread's event loop running meanwhile: stand-in bus services answer from it.
inline bool finishesWithin(QProcess& process, int ms)
{
    for (const QDeadlineTimer deadline(ms); process.state() != QProcess::NotRunning && !deadline.hasExpired();)
        QTest::qWait(10);
    return process.state() == QProcess::NotRunning;
}

// Ends promptly on the signal, with exit 0.
inline bool stopsCleanly(QProcess& helper, int signal = SIGTERM, int ms = 1500)
{
    if (helper.state() != QProcess::Running) // a pid of 0 would signal our own group
        return false;
    ::kill(pid_t(helper.processId()), signal);
    return finishesWithin(helper, ms) && helper.exitStatus() == QProcess::NormalExit && helper.exitCode() == 0;
}

} // namespace launcher::testing
