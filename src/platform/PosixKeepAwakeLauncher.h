#pragma once

#include "platform/Platform.h"

namespace launcher {

// Starts the keep-awake program with posix_spawn and recognises it again by
// process id, also after a restart of this program.
class PosixKeepAwakeLauncher final : public KeepAwakeLauncher {
public:
    explicit PosixKeepAwakeLauncher(QString programPath);

    std::unique_ptr<KeepAwakeChild> launch(const QStringList& arguments) override;
    bool isKeepAwakeProcess(qint32 pid) override;
    // SIGTERM without waiting; only a process that is ours is signalled.
    void sendTerminate(qint32 pid) override;

private:
    QString programPath_;
};

// The keep-awake helper's status line, such as
//   holding: sleep=gnome-session,logind display=none refused=portal
// read as what the desktop will obey; absent for any other line.
std::optional<KeepAwakeCoverage> parseHoldingLine(const QByteArray& line);

// "/usr/bin/caffeinate" on macOS; on Linux the helper beside the running
// program or in its installed libexec folder.
QString defaultKeepAwakeProgram();

} // namespace launcher
