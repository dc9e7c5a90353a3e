#pragma once

#include "engine/AwakeMode.h"
#include "store/HistoryLog.h"

#include <optional>
#include <vector>

namespace launcher {

struct HistorySession {
    double start = 0; // seconds since 1970
    double end = 0;
    AwakeMode mode = AwakeMode::off;

    double duration() const { return end > start ? end - start : 0; }
    bool operator==(const HistorySession&) const = default;
};

// The session the store is running now, if any.
struct RunningSession {
    AwakeMode mode = AwakeMode::off;
    std::optional<double> startedAt;
};

} // namespace launcher
