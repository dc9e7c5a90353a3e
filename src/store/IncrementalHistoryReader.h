#pragma once

#include "store/HistorySessions.h"

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace launcher {

// Sessions of the history log, kept between calls. The log only grows, so a
// call parses just the bytes appended since the last one; a log that shrank,
// was replaced by another file or was rewritten in place is read again whole.
// The result is always the one a full read of the file would give.
class IncrementalHistoryReader {
public:
    // chunkBytes: how much is read at a time; small only in tests.
    explicit IncrementalHistoryReader(QString path, qint64 chunkBytes = qint64(4) << 20);

    std::vector<HistorySession> sessions(const RunningSession& running, double now);

    enum class Read { missing, whole, appended, unchanged };
    // How the last call came by its data.
    Read lastRead() const { return lastRead_; }

private:
    struct Identity {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        bool operator==(const Identity&) const = default;
    };

    void refresh();
    void forget();
    // Parses complete lines from offset to the end of the file.
    bool readFrom(int fd, qint64 offset, std::vector<LoggedEvent>& fresh);
    bool anchorStillMatches(int fd) const;
    void adopt(std::vector<LoggedEvent> fresh, bool whole);

    QString path_;
    qint64 chunkBytes_;
    Read lastRead_ = Read::missing;
    std::optional<Identity> identity_;
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
