#include "platform/ProcessIdentity.h"

#include <QFile>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {

namespace {

// The state letter from /proc/PID/stat; the command name before it may
// itself contain spaces and parentheses.
char processState(const QString& procDir)
{
    QFile file(procDir + QStringLiteral("/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray stat = file.read(4096);
    const qsizetype close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size())
        return 0;
    return stat.at(close + 2);
}

QString linkTarget(const QString& link)
{
    char target[PATH_MAX];
    const ssize_t length = ::readlink(QFile::encodeName(link).constData(), target, sizeof target);
    return length > 0 ? QFile::decodeName(QByteArray(target, length)) : QString();
}

QString firstArgument(const QString& procDir)
{
    QFile file(procDir + QStringLiteral("/cmdline"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray cmdline = file.read(4096);
    return QFile::decodeName(cmdline.left(cmdline.indexOf('\0')));
}

} // namespace

std::optional<ProcessIdentity> identifyProcess(qint32 pid)
{
    if (pid <= 0)
        return std::nullopt;
    const QString procDir = QStringLiteral("/proc/%1").arg(pid);
    struct stat info {};
    if (::stat(QFile::encodeName(procDir).constData(), &info) != 0)
        return std::nullopt;
    const char state = processState(procDir);
    if (state == 0 || state == 'Z' || state == 'X')
        return std::nullopt;

    ProcessIdentity identity;
    identity.ownerUid = info.st_uid;
    identity.executable = linkTarget(procDir + QStringLiteral("/exe"));
    // A program replaced on disk while it runs (an upgrade) still counts as itself.
    const QString deleted = QStringLiteral(" (deleted)");
    if (identity.executable.endsWith(deleted))
        identity.executable.chop(deleted.size());
    // The executable link is hidden for some processes even from their owner.
    if (identity.executable.isEmpty())
        identity.executable = firstArgument(procDir);
    if (identity.executable.isEmpty())
        return std::nullopt;
    return identity;
}

} // namespace launcher
