#include "platform/ProcessWaiter.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace launcher {

namespace {

constexpr int passedSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t receivedSignal = 0;
volatile pid_t runningChild = 0;

void onSignal(int signalNumber)
{
    receivedSignal = signalNumber;
    if (runningChild > 0)
        ::kill(runningChild, signalNumber);
}

struct sigaction previous[std::size(passedSignals)];

int statusOf(int waitStatus)
{
    if (WIFSIGNALED(waitStatus))
        return 128 + WTERMSIG(waitStatus);
    return WEXITSTATUS(waitStatus);
}

} // namespace

PosixProcessWaiter::PosixProcessWaiter()
{
    receivedSignal = 0;
    runningChild = 0;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no restart: a wait returns early on a signal
    for (size_t i = 0; i < std::size(passedSignals); ++i)
        ::sigaction(passedSignals[i], &action, &previous[i]);
}

PosixProcessWaiter::~PosixProcessWaiter()
{
    for (size_t i = 0; i < std::size(passedSignals); ++i)
        ::sigaction(passedSignals[i], &previous[i], nullptr);
    runningChild = 0;
}

std::optional<int> PosixProcessWaiter::runAndWait(const QStringList& command)
{
    std::vector<QByteArray> storage;
    for (const QString& argument : command)
        storage.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);

    // The command starts with the signal state this program was given.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (size_t i = 0; i < std::size(passedSignals); ++i)
        if (previous[i].sa_handler != SIG_IGN)
            sigaddset(&defaults, passedSignals[i]);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t child = 0;
    const int failed = posix_spawnp(&child, argv[0], nullptr, &attributes, argv.data(), environ);
    posix_spawnattr_destroy(&attributes);
    if (failed != 0)
        return std::nullopt;
    runningChild = child;
    // A signal between the start and the line above reached only us.
    if (const int early = receivedSignal)
        ::kill(child, early);
    int waitStatus = 0;
    while (::waitpid(child, &waitStatus, 0) < 0) {
        if (errno != EINTR) {
            runningChild = 0;
            return std::nullopt;
        }
    }
    runningChild = 0;
    return statusOf(waitStatus);
}

bool PosixProcessWaiter::exists(qint32 pid)
{
    if (pid <= 0 || (::kill(pid, 0) != 0 && errno != EPERM))
        return false;
    // A process that has ended but is not yet collected by its parent is gone too.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) != "Z";
}

int PosixProcessWaiter::waitUntilGone(qint32 pid)
{
    while (exists(pid)) {
        if (const int signalNumber = receivedSignal)
            return 128 + signalNumber;
        const timespec pause{0, 200'000'000};
        ::nanosleep(&pause, nullptr);
    }
    return 0;
}

} // namespace launcher
