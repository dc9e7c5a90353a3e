#pragma once

#include <QStringList>

#include <optional>

namespace launcher {

// Waiting on other processes, for the command line's keep-awake holds.
// While a wait runs, SIGINT, SIGTERM and SIGHUP to this program do not end
// it: they are passed on to the command, or end the wait for a process.
class ProcessWaiter {
public:
    virtual ~ProcessWaiter() = default;
    // Runs program and arguments (found on PATH) and waits for it to end:
    // its exit status, or 128+N when signal N ended it. Absent when it
    // could not be started.
    virtual std::optional<int> runAndWait(const QStringList& command) = 0;
    // Whether pid names a process that exists now.
    virtual bool exists(qint32 pid) = 0;
    // Waits until pid has gone: 0, or 128+N when signal N came first.
    virtual int waitUntilGone(qint32 pid) = 0;
};

// The real one, for POSIX systems. Create one at a time.
class PosixProcessWaiter final : public ProcessWaiter {
public:
    PosixProcessWaiter();
    ~PosixProcessWaiter() override;
    PosixProcessWaiter(const PosixProcessWaiter&) = delete;
    PosixProcessWaiter& operator=(const PosixProcessWaiter&) = delete;

    std::optional<int> runAndWait(const QStringList& command) override;
    bool exists(qint32 pid) override;
    int waitUntilGone(qint32 pid) override;
};

} // namespace launcher
