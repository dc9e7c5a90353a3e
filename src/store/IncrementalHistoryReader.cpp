#include "store/IncrementalHistoryReader.h"

#include <QByteArrayView>
#include <QFile>

#include <algorithm>

#include <unistd.h>

namespace launcher {

namespace {

constexpr qsizetype anchorSize = 64;

bool earlier(const LoggedEvent& a, const LoggedEvent& b)
{
    return a.at < b.at;
}

std::optional<LoggedEvent> parseEvent(QByteArrayView line)
{
    if (line.isEmpty())
        return std::nullopt;
    return parseLoggedEvent(line);
}

// Lines that pairing ignores are not worth keeping.
void parseLines(QByteArrayView bytes, std::vector<LoggedEvent>& out)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        if (auto event = parseEvent(bytes.sliced(start, end - start)); event && event->action != LoggedAction::other)
            out.push_back(*event);
        start = end + 1;
    }
}

} // namespace

IncrementalHistoryReader::IncrementalHistoryReader(QString path, qint64 chunkBytes)
    : path_(std::move(path)), chunkBytes_(std::max<qint64>(1, chunkBytes))
{
}

std::vector<HistorySession> IncrementalHistoryReader::sessions(const RunningSession& running, double now)
{
    refresh();
    if (!tail_)
        return pairing_.finish(running, now);

    if (!events_.empty() && tail_->at < events_.back().at) {
        // A half-written line from the past: rare enough to pair from scratch.
        std::vector<LoggedEvent> events = events_;
        events.insert(std::upper_bound(events.begin(), events.end(), *tail_, earlier), *tail_);
        SessionPairing pairing;
        for (const LoggedEvent& event : events)
            pairing.add(event);
        return pairing.finish(running, now);
    }

    SessionPairing rest;
    rest.open = pairing_.open;
    rest.add(*tail_);
    const std::vector<HistorySession> last = rest.finish(running, now);
    std::vector<HistorySession> sessions;
    sessions.reserve(pairing_.closed.size() + last.size());
    sessions.insert(sessions.end(), pairing_.closed.begin(), pairing_.closed.end());
    sessions.insert(sessions.end(), last.begin(), last.end());
    return sessions;
}

void IncrementalHistoryReader::noteAppend(const AppendRecord& record)
{
    const std::optional<FileStamp>& expected = appendedUpTo_ ? appendedUpTo_ : identity_;
    appendsFollowOn_ = appendsFollowOn_ && expected && record.before == *expected;
    appendedUpTo_ = record.after;
}

void IncrementalHistoryReader::forget()
{
    identity_.reset();
    appendedUpTo_.reset();
    appendsFollowOn_ = true;
    committed_ = 0;
    anchor_.clear();
    tail_.reset();
    events_.clear();
    pairing_ = SessionPairing{};
}

void IncrementalHistoryReader::refresh()
{
    QFile file(path_);
    const std::optional<FileStamp> current =
        file.open(QIODevice::ReadOnly | QIODevice::Unbuffered) ? stampOf(file.handle()) : std::nullopt;
    if (!current) {
        forget();
        lastRead_ = Read::missing;
        return;
    }
    const bool ownAppendsOnly = appendsFollowOn_ && appendedUpTo_ && *appendedUpTo_ == *current;
    appendedUpTo_.reset();
    appendsFollowOn_ = true;
    if (identity_ && *identity_ == *current) {
        lastRead_ = Read::unchanged;
        return;
    }

    const bool grown =
        identity_ && ownAppendsOnly && current->size > identity_->size && anchorStillMatches(file.handle());
    if (!grown)
        forget();

    std::vector<LoggedEvent> fresh;
    if (!readFrom(file.handle(), committed_, fresh)) {
        forget();
        lastRead_ = Read::missing;
        return;
    }
    identity_ = *current;
    adopt(std::move(fresh), !grown);
    lastRead_ = grown ? Read::appended : Read::whole;
}

bool IncrementalHistoryReader::anchorStillMatches(int fd) const
{
    if (anchor_.isEmpty())
        return true;
    QByteArray bytes(anchor_.size(), Qt::Uninitialized);
    const ssize_t got = ::pread(fd, bytes.data(), size_t(bytes.size()), off_t(committed_ - anchor_.size()));
    return got == ssize_t(bytes.size()) && bytes == anchor_;
}

bool IncrementalHistoryReader::readFrom(int fd, qint64 offset, std::vector<LoggedEvent>& fresh)
{
    QByteArray pending; // bytes after the last line feed seen so far
    qint64 position = offset;
    while (true) {
        const qsizetype kept = pending.size();
        pending.resize(kept + chunkBytes_);
        const ssize_t got = ::pread(fd, pending.data() + kept, size_t(chunkBytes_), off_t(position + kept));
        pending.resize(kept + std::max<ssize_t>(got, 0));
        if (got < 0)
            return false;
        if (got == 0)
            break;
        const qsizetype lastLineFeed = pending.lastIndexOf('\n');
        if (lastLineFeed < 0)
            continue;
        const QByteArrayView complete = QByteArrayView(pending).first(lastLineFeed + 1);
        parseLines(complete, fresh);
        position += complete.size();
        anchor_ = complete.last(std::min(anchorSize, complete.size())).toByteArray();
        pending.remove(0, complete.size());
    }
    committed_ = position;
    tail_ = parseEvent(pending);
    if (tail_ && tail_->action == LoggedAction::other)
        tail_.reset();
    return true;
}

void IncrementalHistoryReader::adopt(std::vector<LoggedEvent> fresh, bool whole)
{
    if (fresh.empty())
        return;
    const bool inOrder = !whole && (events_.empty() || !earlier(fresh.front(), events_.back()))
        && std::is_sorted(fresh.begin(), fresh.end(), earlier);
    const auto oldCount = qsizetype(events_.size());
    events_.insert(events_.end(), fresh.begin(), fresh.end());

    if (inOrder) {
        for (auto it = events_.begin() + oldCount; it != events_.end(); ++it)
            pairing_.add(*it);
        return;
    }
    // Stable sort of the new lines, then a stable merge: exactly the order a
    // stable sort of the whole file gives.
    if (!std::is_sorted(events_.begin() + oldCount, events_.end(), earlier))
        std::stable_sort(events_.begin() + oldCount, events_.end(), earlier);
    std::inplace_merge(events_.begin(), events_.begin() + oldCount, events_.end(), earlier);
    pairing_ = SessionPairing{};
    for (const LoggedEvent& event : events_)
        pairing_.add(event);
}

} // namespace launcher
