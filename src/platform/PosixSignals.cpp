#include "platform/PosixSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace launcher {

namespace {

constexpr int handledSignals[] = {SIGTERM, SIGINT, SIGHUP};

volatile sig_atomic_t writeEnd = -1;

void onPosixSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe drops the byte: the read end has signals pending anyway.
    if (writeEnd >= 0 && ::write(writeEnd, &byte, 1) < 0) {
    }
    errno = savedErrno;
}

bool makeNonBlockingCloseOnExec(int fd)
{
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0 && ::fcntl(fd, F_SETFD, FD_CLOEXEC) == 0;
}

} // namespace

PosixSignals::PosixSignals(std::function<void(int)> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal))
{
    if (::pipe(fds_) != 0)
        return;
    if (!makeNonBlockingCloseOnExec(fds_[0]) || !makeNonBlockingCloseOnExec(fds_[1])) {
        ::close(fds_[0]);
        ::close(fds_[1]);
        fds_[0] = fds_[1] = -1;
        return;
    }
    writeEnd = fds_[1];
    notifier_ = new QSocketNotifier(fds_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &PosixSignals::drain);

    struct sigaction action = {};
    action.sa_handler = onPosixSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : handledSignals)
        ::sigaction(signalNumber, &action, nullptr);
}

PosixSignals::~PosixSignals()
{
    if (!notifier_)
        return;
    for (int signalNumber : handledSignals)
        ::signal(signalNumber, SIG_DFL);
    writeEnd = -1;
    delete notifier_;
    ::close(fds_[0]);
    ::close(fds_[1]);
}

void PosixSignals::drain()
{
    unsigned char bytes[16];
    ssize_t count;
    while ((count = ::read(fds_[0], bytes, sizeof bytes)) > 0)
        for (ssize_t i = 0; i < count; ++i)
            if (onSignal_)
                onSignal_(bytes[i]);
}

} // namespace launcher
