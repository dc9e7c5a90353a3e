#include "platform/ProcessCommandRunner.h"
#include "platform/PosixSpawn.h"

#include <QStringDecoder>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>


namespace launcher {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Reads what is there now; false once the pipe has reached its end.
bool drain(int fd, QByteArray& into)
{
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count > 0) {
            into.append(buffer, count);
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        return count < 0 && errno == EAGAIN;
    }
}

bool collect(pid_t pid, int options)
{
    for (;;) {
        int status = 0;
        const pid_t result = ::waitpid(pid, &status, options);
        if (result == -1 && errno == EINTR)
            continue;
        return result != 0;
    }
}

} // namespace

std::optional<QString> ProcessCommandRunner::runCommand(const QString& path, const QStringList& arguments,
                                                        std::chrono::milliseconds timeLimit)
{
    // Started with posix_spawn rather than QProcess: QProcess (6.4) keeps a pipe
    // open for every program it fails to start, and a tool that is there but
    // cannot run (a broken interpreter line, a foreign binary) is asked for
    // again on every tick. posix_spawn reports such a failure itself.
    int output[2];
    if (!makeOutputPipe(output, false))
        return std::nullopt;
    pid_t pid = 0;
    bool started = false;
    {
        ChildSpawn spawn(output[1], POSIX_SPAWN_SETPGROUP);
        posix_spawn_file_actions_addopen(&spawn.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        // Its own process group, so a time-out also ends whatever the tool
        // started and nothing is left holding the pipe.
        posix_spawnattr_setpgroup(&spawn.attributes, 0);
        started = spawn.start(path, arguments, pid);
    }
    ::close(output[1]);
    if (!started) {
        ::close(output[0]);
        return std::nullopt;
    }

    // Read while it runs, so a chatty tool cannot fill the pipe and stall; its
    // exit ends the wait even when something it left behind holds the pipe.
    const auto deadline = SteadyClock::now() + timeLimit;
    QByteArray bytes;
    bool open = true;
    bool exited = false;
    while (!exited) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0)
            break;
        if (open) {
            pollfd ready{output[0], POLLIN, 0};
            ::poll(&ready, 1, int(std::min<std::chrono::milliseconds::rep>(left.count(), 20)));
            open = drain(output[0], bytes);
        } else {
            ::usleep(5000);
        }
        exited = collect(pid, WNOHANG);
    }
    if (!exited) {
        ::kill(-pid, SIGKILL);
        collect(pid, 0);
        ::close(output[0]);
        return std::nullopt;
    }
    if (open)
        drain(output[0], bytes);
    ::close(output[0]);

    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace launcher
