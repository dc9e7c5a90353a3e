#include "store/Files.h"

#include <QFile>
#include <QSaveFile>

namespace launcher {

bool writeFileAtomically(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    // Unbuffered, so that a full disk fails the write itself: a buffered
    // write is only flushed inside commit(), which then still reports success
    // on an empty file.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool replaceFileIfChanged(const QString& path, const QByteArray& bytes)
{
    if (readWholeFile(path) == bytes)
        return true;
    return writeFileAtomically(path, bytes);
}

std::optional<QByteArray> readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace launcher
