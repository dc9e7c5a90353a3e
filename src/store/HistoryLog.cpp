#include "store/HistoryLog.h"

#include "store/HistoryLineScanner.h"
#include "store/Json.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUtf8StringView>

#include <sys/stat.h>

namespace launcher {

QByteArray encodeHistoryLine(const HistoryEntry& entry)
{
    QJsonObject object;
    object.insert(QLatin1String("at"), entry.at);
    object.insert(QLatin1String("mode"), rawValue(entry.mode));
    object.insert(QLatin1String("action"), entry.action);
    object.insert(QLatin1String("note"), entry.note);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<HistoryEntry> parseHistoryLineWithJsonDocument(QByteArrayView line)
{
    if (!QUtf8StringView(line.data(), line.size()).isValidUtf8())
        return std::nullopt;

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();

    const auto at = json::number(object.value(QLatin1String("at")));
    const auto modeText = json::string(object.value(QLatin1String("mode")));
    const auto action = json::string(object.value(QLatin1String("action")));
    const auto note = json::string(object.value(QLatin1String("note")));
    const auto mode = modeText ? awakeModeFromRaw(*modeText) : std::nullopt;
    if (!at || !mode || !action || !note)
        return std::nullopt;
    return HistoryEntry{*at, *mode, *action, *note};
}

std::optional<HistoryEntry> parseHistoryLine(QByteArrayView line)
{
    if (!QUtf8StringView(line.data(), line.size()).isValidUtf8())
        return std::nullopt;
    ScannedHistoryLine scanned;
    switch (scanHistoryLine(line, scanned)) {
    case ScanOutcome::entry:
        return HistoryEntry{scanned.at, scanned.mode, scanned.action.toString(), scanned.note.toString()};
    case ScanOutcome::notAnEntry: return std::nullopt;
    case ScanOutcome::unsure: break;
    }
    return parseHistoryLineWithJsonDocument(line);
}

std::vector<HistoryEntry> parseHistory(QByteArrayView bytes)
{
    std::vector<HistoryEntry> entries;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        if (end > start) {
            if (auto entry = parseHistoryLine(bytes.sliced(start, end - start)))
                entries.push_back(std::move(*entry));
        }
        start = end + 1;
    }
    return entries;
}

std::optional<FileStamp> stampOf(int fd)
{
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return std::nullopt;
#ifdef __APPLE__
    const auto &modified = st.st_mtimespec, &changed = st.st_ctimespec;
#else
    const auto &modified = st.st_mtim, &changed = st.st_ctim;
#endif
    const auto ns = [](const timespec& t) { return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec; };
    return FileStamp{quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size), ns(modified), ns(changed)};
}

bool appendHistoryLine(const QString& path, const QByteArray& line, AppendRecord* record)
{
    // Append mode from the very first line: a log created by replacing it
    // would drop what another program appended in the meantime. Unbuffered,
    // so that a failed write is seen here.
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const std::optional<FileStamp> before = stampOf(file.handle());
    if (!before)
        return false;
    QByteArray bytes = line;
    if (before->size > 0) {
        char last = '\n';
        if (!file.seek(before->size - 1) || !file.getChar(&last))
            return false;
        if (last != '\n')
            bytes.prepend('\n');
    }
    // O_APPEND puts the write at the end, wherever the end is by then.
    if (file.write(bytes) != bytes.size())
        return false;
    if (record) {
        const std::optional<FileStamp> after = stampOf(file.handle());
        if (!after)
            return false;
        *record = AppendRecord{*before, *after};
    }
    return true;
}

} // namespace launcher
