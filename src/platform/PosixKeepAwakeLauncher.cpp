#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/PosixSpawn.h"

#include "platform/HelperLocation.h"
#include "platform/ProcessIdentity.h"

#include <QCoreApplication>
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


namespace launcher {

namespace {

using namespace std::chrono_literals;

// How long a child gets to end on SIGTERM before it is killed.
constexpr auto terminateGracePeriod = 3s;

class PosixKeepAwakeChild final : public KeepAwakeChild {
public:
    // status: the read end of the child's standard output and error, non-blocking.
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

    // The helper says what it holds in its "holding:" line; anything it
    // printed before (warnings of the libraries it uses) is passed over.
    // Read without waiting, so it never blocks a tick; once the line is in,
    // the pipe is closed and the helper's later output goes nowhere.
    std::optional<KeepAwakeCoverage> coverage() override
    {
        while (status_ >= 0 && !coverage_) {
            char buffer[256];
            const ssize_t count = ::read(status_, buffer, sizeof buffer);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0) {
                if (count == 0 || errno != EAGAIN)
                    closeStatus(); // gone without saying
                break;
            }
            pending_.append(buffer, count);
            for (qsizetype end; status_ >= 0 && (end = pending_.indexOf('\n')) >= 0;) {
                coverage_ = parseHoldingLine(pending_.left(end));
                pending_.remove(0, end + 1);
                if (coverage_)
                    closeStatus();
            }
            if (pending_.size() > 4096)
                closeStatus(); // not the helper we know
        }
        return coverage_;
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
    QByteArray pending_;
    std::optional<KeepAwakeCoverage> coverage_;
};


} // namespace

std::optional<KeepAwakeCoverage> parseHoldingLine(const QByteArray& line)
{
    const QByteArray prefix = "holding:";
    if (!line.startsWith(prefix))
        return std::nullopt;
    QList<QByteArray> sleep, display, refused;
    for (const QByteArray& field : line.mid(prefix.size()).simplified().split(' ')) {
        const qsizetype equals = field.indexOf('=');
        const QByteArray key = field.left(equals);
        const QList<QByteArray> names = equals < 0 ? QList<QByteArray>{} : field.mid(equals + 1).split(',');
        if (key == "sleep")
            sleep = names;
        else if (key == "display")
            display = names;
        else if (key == "refused")
            refused = names;
    }
    sleep.removeAll("none");
    display.removeAll("none");
    // Under GNOME the power daemon suspends through logind as the user,
    // and logind lets a user override their own locks: there a logind lock
    // alone holds nothing. Its session manager answering at all, even with
    // a no, tells the desktop.
    const bool gnome = sleep.contains("gnome-session") || display.contains("gnome-session")
        || refused.contains("gnome-session");
    if (gnome && sleep == QList<QByteArray>{"logind"})
        sleep.clear();
    return KeepAwakeCoverage{!sleep.isEmpty(), !display.isEmpty()};
}

PosixKeepAwakeLauncher::PosixKeepAwakeLauncher(QString programPath) : programPath_(std::move(programPath)) {}

std::unique_ptr<KeepAwakeChild> PosixKeepAwakeLauncher::launch(const QStringList& arguments)
{
    // The helper's standard output and error are one pipe of ours, so whatever
    // it says reaches us and never the terminal; nothing else leaks into it, so
    // it cannot keep our sockets or pipes open after we are gone.
    int status[2];
    if (!makeOutputPipe(status, true))
        return nullptr;
    pid_t pid = 0;
    bool started = false;
    {
        short flags = 0;
#if defined(__APPLE__)
        flags |= POSIX_SPAWN_CLOEXEC_DEFAULT;
#endif
        ChildSpawn spawn(status[1], flags);
#if defined(__APPLE__)
        for (int fd = 0; fd <= 2; ++fd)
            posix_spawn_file_actions_addinherit_np(&spawn.actions, fd);
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || __GLIBC_MINOR__ >= 34)
        posix_spawn_file_actions_addclosefrom_np(&spawn.actions, 3);
#endif
        started = spawn.start(programPath_, arguments, pid);
    }
    ::close(status[1]);
    if (!started) {
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
