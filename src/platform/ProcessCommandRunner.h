#pragma once

#include "platform/Platform.h"

#include <chrono>

namespace launcher {

// Runs outside tools synchronously, without a shell and without needing an
// event loop. A tool that does not finish within the time limit is killed,
// together with anything it started, and counts as giving no answer.
class ProcessCommandRunner final : public CommandRunner {
public:
    explicit ProcessCommandRunner(std::chrono::milliseconds timeLimit = std::chrono::seconds(10));

    std::optional<QString> runCommand(const QString& path, const QStringList& arguments) override;

private:
    std::chrono::milliseconds timeLimit_;
};

} // namespace launcher
