#include "platform/PosixKeepAwakeLauncher.h"

#include "platform/HelperLocation.h"
#include "platform/ProcessIdentity.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <chrono>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace launcher {

namespace {

using namespace std::chrono_literals;

// How long a child gets to end on SIGTERM before it is killed.
constexpr auto terminateGracePeriod = 3s;

class PosixKeepAwakeChild final : public KeepAwakeChild {
public:
    // status: the read end of the child's standard output, non-blocking.
    PosixKeepAwakeChild(pid_t pid, int status) : pid_(pid), status_(status) {}
    ~PosixKeepAwakeChild() override
    {
        terminateAndWait();
        closeStatus();
    }

    qint32 pid() const override { return pid_; }

    bool isRunning() override { return !reap(WNOHANG); }

    void terminateAndWait() override
    {
        if (reaped_)
            return;
        ::kill(pid_, SIGTERM);
        const auto giveUpAt = std::chrono::steady_clock::now() + terminateGracePeriod;
        while (!reap(WNOHANG)) {
            if (std::chrono::steady_clock::now() >= giveUpAt) {
                ::kill(pid_, SIGKILL);
                reap(0);
                return;
            }
            std::this_thread::sleep_for(10ms);
        }
    }

    // The helper's first line says what it holds: "holding: none" or the
    // names of the locks. Read without waiting, so it never blocks a tick.
    std::optional<bool> holdsAnything() override
    {
        while (status_ >= 0 && !holds_) {
            char buffer[256];
            const ssize_t count = ::read(status_, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                if (count == 0 || errno != EAGAIN)
                    closeStatus(); // gone without saying
                break;
            }
            line_.append(buffer, count);
            const qsizetype end = line_.indexOf('\n');
            if (end >= 0) {
                holds_ = parseHoldingLine(line_.left(end));
                closeStatus();
            } else if (line_.size() > 4096) {
                closeStatus();
            }
        }
        return holds_;
    }

private:
    void closeStatus()
    {
        if (status_ >= 0)
            ::close(status_);
        status_ = -1;
    }

    // True once the child has exited and been collected.
    bool reap(int options)
    {
        while (!reaped_) {
            int status = 0;
            const pid_t result = ::waitpid(pid_, &status, options);
            if (result == 0)
                return false;
            if (result == -1 && errno == EINTR)
                continue;
            // Collected now, or (ECHILD) by someone else before us.
            reaped_ = true;
        }
        return true;
    }

    pid_t pid_;
    bool reaped_ = false;
    int status_;
    QByteArray line_;
    std::optional<bool> holds_;
};

// The helper's standard streams are ours; nothing else leaks into it, so it
// cannot keep our sockets or pipes open after we are gone.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

    explicit SpawnSetup(int standardOutput)
    {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_adddup2(&actions, standardOutput, STDOUT_FILENO);
        short flags = POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
#if defined(__APPLE__)
        flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
        for (int fd = 0; fd <= 2; ++fd)
            posix_spawn_file_actions_addinherit_np(&actions, fd);
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
        posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
        posix_spawnattr_setflags(&attributes, flags);
        // Signal state is inherited across exec: start it clean.
        sigset_t none;
        sigemptyset(&none);
        posix_spawnattr_setsigmask(&attributes, &none);
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD})
            sigaddset(&defaults, signal);
        posix_spawnattr_setsigdefault(&attributes, &defaults);
    }
    ~SpawnSetup()
    {
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

} // namespace

std::optional<bool> parseHoldingLine(const QByteArray& line)
{
    const QByteArray prefix = "holding:";
    if (!line.startsWith(prefix))
        return std::nullopt;
    const QByteArray held = line.mid(prefix.size()).trimmed();
    return !held.isEmpty() && held != "none";
}

PosixKeepAwakeLauncher::PosixKeepAwakeLauncher(QString programPath) : programPath_(std::move(programPath)) {}

std::unique_ptr<KeepAwakeChild> PosixKeepAwakeLauncher::launch(const QStringList& arguments)
{
    std::vector<QByteArray> storage;
    storage.push_back(QFile::encodeName(programPath_));
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    // The child's standard output is where it says what it holds.
    int status[2];
    if (::pipe2(status, O_CLOEXEC | O_NONBLOCK) != 0)
        return nullptr;
    // The child's end blocks as usual.
    ::fcntl(status[1], F_SETFL, 0);
    SpawnSetup setup(status[1]);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, argv[0], &setup.actions, &setup.attributes, argv.data(), environ);
    ::close(status[1]);
    if (failed != 0) {
        ::close(status[0]);
        return nullptr;
    }
    return std::make_unique<PosixKeepAwakeChild>(pid, status[0]);
}

bool PosixKeepAwakeLauncher::isKeepAwakeProcess(qint32 pid)
{
    if (pid <= 0 || ::kill(pid, 0) != 0)
        return false;
    const auto identity = identifyProcess(pid);
    if (!identity || identity->ownerUid != ::getuid())
        return false;
    // The file name, not the whole path: a program run from a moved or
    // reinstalled folder still left its helper running under the old path.
    return QFileInfo(identity->executable).fileName() == QFileInfo(programPath_).fileName();
}

void PosixKeepAwakeLauncher::sendTerminate(qint32 pid)
{
    // The check also rules out 0 and -1, which would signal whole groups.
    if (isKeepAwakeProcess(pid))
        ::kill(pid, SIGTERM);
}

QString defaultKeepAwakeProgram()
{
#if defined(__APPLE__)
    return QStringLiteral("/usr/bin/caffeinate");
#else
    const QString folder = QCoreApplication::instance()
                               ? QCoreApplication::applicationDirPath()
                               : QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
    return keepAwakeProgramIn(folder);
#endif
}

} // namespace launcher
