#pragma once

#include "store/HistoryLog.h"
#include "store/HistorySessions.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace launcher {

// Sessions of the history log, kept between calls. The log only grows, so a
// call parses just the bytes this program appended since the last one; a log
// that anything else changed (another program's lines, an edit in place, a
// replacement) is read again whole. The file's change time tells the two
// apart: it moves with every write, so only appends whose before and after
// this reader was told of, one after the other, can account for it. The
// result is always the one a full read of the file would give.
class IncrementalHistoryReader {
public:
    // chunkBytes: how much is read at a time; small only in tests.
    explicit IncrementalHistoryReader(QString path, qint64 chunkBytes = qint64(4) << 20);

    std::vector<HistorySession> sessions(const RunningSession& running, double now);

    // An append by this program, which the next call may then read alone.
    void noteAppend(const AppendRecord& record);

    enum class Read { missing, whole, appended, unchanged };
    // How the last call came by its data.
    Read lastRead() const { return lastRead_; }

private:
    void refresh();
    void forget();
    // Parses complete lines from offset to the end of the file.
    bool readFrom(int fd, qint64 offset, std::vector<LoggedEvent>& fresh);
    bool anchorStillMatches(int fd) const;
    void adopt(std::vector<LoggedEvent> fresh, bool whole);

    QString path_;
    qint64 chunkBytes_;
    Read lastRead_ = Read::missing;
    std::optional<FileStamp> identity_; // the file as last read
    // The file after the appends noted since, while they follow on from
    // identity_ one after the other.
    std::optional<FileStamp> appendedUpTo_;
    bool appendsFollowOn_ = true;
    // Everything before this offset has been parsed; it always follows a line feed.
    qint64 committed_ = 0;
    // The last bytes before committed_, compared on every append to notice a
    // log rewritten in place.
    QByteArray anchor_;
    // An entry on a last line that has no line feed yet. It counts, as in a
    // full read, but stays out of the parsed state: the line may still grow.
    std::optional<LoggedEvent> tail_;

    std::vector<LoggedEvent> events_; // sorted by time, file order among equals
    SessionPairing pairing_;
};

} // namespace launcher
