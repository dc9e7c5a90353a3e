#pragma once

#include "store/AwakeMode.h"
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

enum class LoggedAction { enable, disable, other };

// What pairing needs of one log entry; the note plays no part.
struct LoggedEvent {
    double at = 0;
    AwakeMode mode = AwakeMode::off;
    LoggedAction action = LoggedAction::other;

    bool operator==(const LoggedEvent&) const = default;
};

LoggedEvent loggedEvent(const HistoryEntry& entry);
// The event of one log line, for exactly the lines parseHistoryLine accepts,
// without copying the note.
std::optional<LoggedEvent> parseLoggedEvent(QByteArrayView line);

// A session the log has started and not yet closed.
struct OpenSession {
    double start = 0;
    AwakeMode mode = AwakeMode::off;
};

// Pairing as far as the events seen so far: the sessions closed by the log,
// already without the empty ones, and the one still open.
struct SessionPairing {
    std::vector<HistorySession> closed;
    std::optional<OpenSession> open;

    // Events must come in time order.
    void add(const LoggedEvent& event);
    // The closed sessions, then the store's running session or, when it has
    // none, the one the log left open, running until now.
    std::vector<HistorySession> finish(const RunningSession& running, double now) const;
};

// Sorts events by time, keeping file order among equal times.
void sortByTime(std::vector<LoggedEvent>& events);

// The sessions of a whole log given in file order.
std::vector<HistorySession> pairSessions(const std::vector<HistoryEntry>& entries, const RunningSession& running,
                                         double now);

} // namespace launcher
