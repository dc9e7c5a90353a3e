#include "platform/ProcessIdentity.h"

#include <libproc.h>
#include <sys/proc.h>
#include <sys/proc_info.h>

namespace launcher {

std::optional<ProcessIdentity> identifyProcess(qint32 pid)
{
    if (pid <= 0)
        return std::nullopt;
    struct proc_bsdinfo info {};
    if (proc_pidinfo(pid, PROC_PIDTBSDINFO, 0, &info, sizeof info) != int(sizeof info))
        return std::nullopt;
    if (info.pbi_status == SZOMB)
        return std::nullopt;
    char path[PROC_PIDPATHINFO_MAXSIZE] = {};
    if (proc_pidpath(pid, path, sizeof path) <= 0)
        return std::nullopt;
    return ProcessIdentity{info.pbi_uid, QString::fromUtf8(path)};
}

} // namespace launcher
