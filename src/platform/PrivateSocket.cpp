#include "platform/PrivateSocket.h"

#include <QDir>
#include <QFile>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace launcher {

namespace {

// A real folder (not a link to one) of this user that nobody else may enter.
bool isPrivateFolder(const QString& path, quint32 userId)
{
    struct stat info = {};
    if (path.isEmpty() || QDir::isRelativePath(path) || ::lstat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISDIR(info.st_mode) && info.st_uid == userId && (info.st_mode & 077) == 0;
}

QString systemTemporaryFolder(const Environment& environment)
{
#ifdef __APPLE__
    char buffer[1024];
    const size_t size = ::confstr(_CS_DARWIN_USER_TEMP_DIR, buffer, sizeof buffer);
    if (size > 0 && size <= sizeof buffer)
        return QDir::cleanPath(QFile::decodeName(buffer));
#endif
    const QString base = environment.variable(QStringLiteral("TMPDIR")).value_or(QString());
    return base.isEmpty() || QDir::isRelativePath(base) ? QStringLiteral("/tmp") : QDir::cleanPath(base);
}

} // namespace

QString privateSocketDirectory(const Environment& environment)
{
    const quint32 user = environment.userId();
#ifdef __APPLE__
    // Already one folder per user, made by the system.
    const QString temporary = systemTemporaryFolder(environment);
    if (isPrivateFolder(temporary, user))
        return temporary;
#else
    const QString runtime = environment.variable(QStringLiteral("XDG_RUNTIME_DIR")).value_or(QString());
    if (isPrivateFolder(runtime, user))
        return QDir::cleanPath(runtime);
#endif
    // mkdir does not follow a link or take over a folder that is there; what
    // is there afterwards must be ours alone to be used.
    const QString own = systemTemporaryFolder(environment) + QStringLiteral("/launcher-%1").arg(user);
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateFolder(own, user) ? own : QString();
}

bool peerIsSameUser(qintptr socketDescriptor)
{
    const int fd = int(socketDescriptor);
#ifdef __APPLE__
    uid_t uid = 0;
    gid_t gid = 0;
    return ::getpeereid(fd, &uid, &gid) == 0 && uid == ::geteuid();
#else
    struct ucred credentials = {};
    socklen_t size = sizeof credentials;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &size) == 0 && size == sizeof credentials
        && credentials.uid == ::geteuid();
#endif
}

} // namespace launcher
