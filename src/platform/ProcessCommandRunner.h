#pragma once

#include "platform/Platform.h"

namespace launcher {

// Runs outside tools synchronously, without a shell and without needing an
// event loop. A tool that does not finish within the time limit is killed,
// together with anything it started, and counts as giving no answer.
class ProcessCommandRunner final : public CommandRunner {
public:
    std::optional<QString> runCommand(const QString& path, const QStringList& arguments,
                                      std::chrono::milliseconds timeLimit = defaultCommandTimeLimit) override;
};

} // namespace launcher
