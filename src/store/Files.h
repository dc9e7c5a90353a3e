#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace launcher {

// Replaces the file whole: readers see the old bytes or the new, never a mix.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);

// The whole file, or absent when it cannot be read.
std::optional<QByteArray> readWholeFile(const QString& path);

} // namespace launcher
