#pragma once

#include <QString>

#include <optional>

namespace launcher {

// Who runs a process and which program it runs, as the system reports it.
struct ProcessIdentity {
    quint32 ownerUid = 0;
    // Full path of the executable where the system gives one; otherwise the
    // name the process was started under.
    QString executable;
};

// Absent when the process does not exist, has already exited (a zombie
// included) or cannot be inspected.
std::optional<ProcessIdentity> identifyProcess(qint32 pid);

} // namespace launcher
