#include "engine/StateStore.h"

#include <QFileInfo>

namespace launcher {

namespace {

// Used only when the platform cannot say where the running program is.
QString fallbackProgramPath()
{
#ifdef __APPLE__
    return QStringLiteral("/Applications/launcher.app/Contents/MacOS/launcher");
#else
    // The session looks a bare name up in PATH.
    return QStringLiteral("launcher");
#endif
}

} // namespace

bool StateStore::launchAtLoginInstalled() const
{
    return !launchAgentPath.isEmpty() && QFileInfo::exists(launchAgentPath);
}

void StateStore::installLaunchAtLogin()
{
    QString program = platform_.environment.executablePath();
    if (program.isEmpty())
        program = fallbackProgramPath();
    platform_.loginItem.install(program);
}

void StateStore::uninstallLaunchAtLogin()
{
    platform_.loginItem.uninstall();
}

} // namespace launcher
