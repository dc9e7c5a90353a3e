#pragma once

#include "platform/Platform.h"

namespace launcher {

// Command names of the running processes, from /proc/<pid>/comm.
class LinuxRunningApplications final : public RunningApplications {
public:
    explicit LinuxRunningApplications(QString procRoot = QStringLiteral("/proc")) : root_(std::move(procRoot)) {}
    QStringList displayedNames() override;

private:
    QString root_;
};

} // namespace launcher
