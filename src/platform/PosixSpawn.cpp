#include "platform/PosixSpawn.h"

#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace launcher {

ChildSpawn::ChildSpawn(int output, short flags)
{
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, flags | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

ChildSpawn::~ChildSpawn()
{
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
}

bool ChildSpawn::start(const QString& program, const QStringList& arguments, pid_t& pid)
{
    std::vector<QByteArray> storage{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);
    return posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ) == 0;
}

bool makeOutputPipe(int ends[2], bool nonBlockingWrite)
{
    // pipe2 is Linux's alone; everything spawns from the main thread, so
    // nothing can inherit the ends before they are marked.
    if (::pipe(ends) != 0)
        return false;
    if (::fcntl(ends[0], F_SETFD, FD_CLOEXEC) != 0 || ::fcntl(ends[1], F_SETFD, FD_CLOEXEC) != 0
        || ::fcntl(ends[0], F_SETFL, O_NONBLOCK) != 0
        || (nonBlockingWrite && ::fcntl(ends[1], F_SETFL, O_NONBLOCK) != 0)) {
        ::close(ends[0]);
        ::close(ends[1]);
        return false;
    }
    return true;
}

} // namespace launcher
