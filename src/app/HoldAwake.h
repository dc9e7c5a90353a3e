#pragma once

#include "platform/Platform.h"
#include "platform/ProcessWaiter.h"

#include <QStringList>
#include <QTextStream>

namespace launcher {

// The keep-awake flags of a hold from the command line: the system and
// disks stay awake, the display may dim and sleep as usual.
QStringList holdArguments();

// Keeps the machine awake with a keep-awake process of its own while
// command runs, then stops it; the running menu-bar program, if any, is
// not involved. Returns the command's exit status (see ExitCode for ours).
int holdAwakeWhileCommand(KeepAwakeLauncher& keepAwake, ProcessWaiter& waiter, const QStringList& command,
                          QTextStream& err);
// The same until process pid has gone: 0, or 128+N when signal N ended the wait.
int holdAwakeWhileProcess(KeepAwakeLauncher& keepAwake, ProcessWaiter& waiter, qint32 pid, QTextStream& err);

} // namespace launcher
