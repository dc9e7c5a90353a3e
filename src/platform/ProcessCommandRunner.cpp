#include "platform/ProcessCommandRunner.h"
#include "platform/SpawnSignals.h"

#include <QFile>
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

extern char** environ;

namespace launcher {

namespace {

using SteadyClock = std::chrono::steady_clock;

// Started with posix_spawn rather than QProcess: QProcess (6.4) keeps a pipe
// open for every program it fails to start, and a tool that is there but
// cannot run (a broken interpreter line, a foreign binary) is asked for
// again on every tick. posix_spawn reports such a failure itself.
struct Spawn {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

    explicit Spawn(int output)
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO);
        // Its own process group, so a time-out also ends whatever the tool
        // started and nothing is left holding the pipe.
        posix_spawnattr_setpgroup(&attributes, 0);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | cleanSignalsForChild(attributes));
    }
    ~Spawn()
    {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    Spawn(const Spawn&) = delete;
    Spawn& operator=(const Spawn&) = delete;
};

bool makePipe(int ends[2])
{
    if (::pipe(ends) != 0)
        return false;
    for (int i = 0; i < 2; ++i)
        ::fcntl(ends[i], F_SETFD, FD_CLOEXEC);
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    return true;
}

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
    std::vector<QByteArray> storage{QFile::encodeName(path)};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    int output[2];
    if (!makePipe(output))
        return std::nullopt;
    pid_t pid = 0;
    int failed = 0;
    {
        Spawn spawn(output[1]);
        failed = posix_spawn(&pid, argv[0], &spawn.actions, &spawn.attributes, argv.data(), environ);
    }
    ::close(output[1]);
    if (failed != 0) {
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
