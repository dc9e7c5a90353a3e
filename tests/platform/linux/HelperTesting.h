#pragma once

// Running the built keep-awake helper from tests.

#include <QProcess>
#include <QString>

namespace launcher::testing {

inline QString helperProgram()
{
    return QStringLiteral(LAUNCHER_BIN_DIR "/launcher-keepawake");
}

// No buses at all, so a test never takes a real lock on the machine running it.
inline QProcessEnvironment busFreeEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    environment.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent/system_bus_socket"));
    return environment;
}

inline void startHelper(QProcess& helper, const QStringList& arguments,
                        const QProcessEnvironment& environment = busFreeEnvironment())
{
    helper.setProcessEnvironment(environment);
    helper.setProcessChannelMode(QProcess::SeparateChannels);
    helper.start(helperProgram(), arguments);
}

} // namespace launcher::testing
