#pragma once

#include "store/AwakeMode.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>
#include <vector>

namespace launcher {

struct HistoryEntry {
    double at = 0; // seconds since 1970
    AwakeMode mode = AwakeMode::off;
    QString action;
    QString note;

    bool operator==(const HistoryEntry&) const = default;
};

// One compact JSON object followed by a line feed.
QByteArray encodeHistoryLine(const HistoryEntry& entry);

// One line without its line feed; absent when it is not valid UTF-8, not a
// JSON object, or lacks a member of the right type or a known mode.
std::optional<HistoryEntry> parseHistoryLine(QByteArrayView line);
// The same through QJsonDocument alone; the reference the quick path of
// parseHistoryLine must agree with.
std::optional<HistoryEntry> parseHistoryLineWithJsonDocument(QByteArrayView line);

// Every valid line in file order; a bad line costs only itself.
std::vector<HistoryEntry> parseHistory(QByteArrayView bytes);

// What tells one state of a file from another without reading it. The change
// time cannot be set from outside, so any write shows in it.
struct FileStamp {
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;
    bool operator==(const FileStamp&) const = default;
};
std::optional<FileStamp> stampOf(int fd);

// The log just before and just after one append.
struct AppendRecord {
    FileStamp before;
    FileStamp after;
};

// Appends one encoded line to the log without touching what is there. A log
// whose last line was cut short gets a line feed first, so the new entry
// stands on a line of its own. Creates the file when it is missing.
bool appendHistoryLine(const QString& path, const QByteArray& line, AppendRecord* record = nullptr);

} // namespace launcher
