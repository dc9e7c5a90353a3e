#include "store/HistorySessions.h"
#include "store/HistoryLineScanner.h"
#include "store/IncrementalHistoryReader.h"

#include <QUtf8StringView>

#include <algorithm>

namespace launcher {

namespace {

template <typename Text>
LoggedAction loggedAction(const Text& action)
{
    if (action == "enable")
        return LoggedAction::enable;
    if (action == "disable")
        return LoggedAction::disable;
    return LoggedAction::other;
}

// Sessions of zero or negative length are never kept.
void emitSession(std::vector<HistorySession>& out, double start, double end, AwakeMode mode)
{
    if (end > start)
        out.push_back(HistorySession{start, end, mode});
}

} // namespace

LoggedEvent loggedEvent(const HistoryEntry& entry)
{
    return LoggedEvent{entry.at, entry.mode, loggedAction(entry.action)};
}

std::optional<LoggedEvent> parseLoggedEvent(QByteArrayView line)
{
    if (!QUtf8StringView(line.data(), line.size()).isValidUtf8())
        return std::nullopt;
    ScannedHistoryLine scanned;
    switch (scanHistoryLine(line, scanned)) {
    case ScanOutcome::entry: return LoggedEvent{scanned.at, scanned.mode, loggedAction(scanned.action.view())};
    case ScanOutcome::notAnEntry: return std::nullopt;
    case ScanOutcome::unsure: break;
    }
    const auto entry = parseHistoryLineWithJsonDocument(line);
    if (!entry)
        return std::nullopt;
    return loggedEvent(*entry);
}

void SessionPairing::add(const LoggedEvent& event)
{
    switch (event.action) {
    case LoggedAction::enable:
        if (open)
            emitSession(closed, open->start, event.at, open->mode);
        open = OpenSession{event.at, event.mode};
        break;
    case LoggedAction::disable:
        // A stop without a start (the second of two quit entries) closes nothing.
        if (open)
            emitSession(closed, open->start, event.at, open->mode);
        open.reset();
        break;
    case LoggedAction::other:
        break;
    }
}

std::vector<HistorySession> SessionPairing::finish(const RunningSession& running, double now) const
{
    std::vector<HistorySession> sessions;
    sessions.reserve(closed.size() + 1);
    sessions.insert(sessions.end(), closed.begin(), closed.end());
    // The store knows its own start better than the log's "enable" line,
    // which is written a moment after it.
    if (running.mode != AwakeMode::off && running.startedAt)
        emitSession(sessions, *running.startedAt, now, running.mode);
    else if (open)
        emitSession(sessions, open->start, now, open->mode);
    return sessions;
}

void sortByTime(std::vector<LoggedEvent>& events)
{
    std::stable_sort(events.begin(), events.end(),
                     [](const LoggedEvent& a, const LoggedEvent& b) { return a.at < b.at; });
}

std::vector<HistorySession> pairSessions(const std::vector<HistoryEntry>& entries, const RunningSession& running,
                                         double now)
{
    std::vector<LoggedEvent> events;
    events.reserve(entries.size());
    for (const HistoryEntry& entry : entries)
        events.push_back(loggedEvent(entry));
    sortByTime(events);
    SessionPairing pairing;
    for (const LoggedEvent& event : events)
        pairing.add(event);
    return pairing.finish(running, now);
}

} // namespace launcher
