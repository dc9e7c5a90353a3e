#include "store/HistoryLog.h"

#include "store/Files.h"
#include "store/HistoryLineScanner.h"
#include "store/Json.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUtf8StringView>

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

bool appendHistoryLine(const QString& path, const QByteArray& line)
{
    QFile file(path);
    if (!file.exists())
        return writeFileAtomically(path, line);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Append))
        return false;
    QByteArray bytes = line;
    const qint64 size = file.size();
    if (size > 0) {
        char last = '\n';
        if (!file.seek(size - 1) || !file.getChar(&last))
            return false;
        if (last != '\n')
            bytes.prepend('\n');
    }
    // O_APPEND puts the write at the end whatever the position after the read.
    return file.write(bytes) == bytes.size();
}

} // namespace launcher
