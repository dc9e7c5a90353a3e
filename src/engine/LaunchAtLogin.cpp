#include "engine/StateStore.h"

#include <QFileInfo>

namespace launcher {

bool StateStore::launchAtLoginInstalled() const
{
    return !loginItemPath_.isEmpty() && QFileInfo::exists(loginItemPath_);
}

void StateStore::installLaunchAtLogin()
{
    QString program = platform_.environment.executablePath();
    if (program.isEmpty())
        program = platform_.loginItem.defaultProgramPath();
    platform_.loginItem.install(program);
}

void StateStore::uninstallLaunchAtLogin()
{
    platform_.loginItem.uninstall();
}

} // namespace launcher
