#include "platform/macos/MacDisplaySleep.h"

namespace launcher {

void runDisplaySleepCommand(CommandRunner& commands)
{
    commands.runCommand(QStringLiteral("/usr/bin/pmset"), {QStringLiteral("displaysleepnow")}, perTickCommandTimeLimit);
}

} // namespace launcher
