#pragma once

#include "platform/ProcessWaiter.h"
#include "support/FakePlatform.h"

#include <vector>

namespace launcher::testing {

// Runs nothing: records the command and how many keep-awake processes of
// the fake launcher were alive while the "work" ran, and returns status.
class FakeProcessWaiter final : public ProcessWaiter {
public:
    explicit FakeProcessWaiter(FakeKeepAwakeLauncher& keepAwake) : keepAwake_(keepAwake) {}
    std::optional<int> runAndWait(const QStringList& command) override
    {
        ran.push_back(command);
        heldDuringWork = keepAwake_.alive.size();
        return status;
    }
    bool exists(qint32 pid) override { return pid == livePid; }
    int waitUntilGone(qint32) override
    {
        heldDuringWork = keepAwake_.alive.size();
        return status.value_or(0);
    }

    std::optional<int> status = 0; // absent: the command cannot start
    qint32 livePid = 0;            // the one process that exists
    std::vector<QStringList> ran;
    size_t heldDuringWork = 0;

private:
    FakeKeepAwakeLauncher& keepAwake_;
};

} // namespace launcher::testing
