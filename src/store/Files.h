#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace launcher {

// Replaces the file whole: readers see the old bytes or the new, never a mix.
// False when it could not; the file then keeps its old bytes.
bool writeFileAtomically(const QString& path, const QByteArray& bytes);

// The same, but leaves a file that already holds exactly these bytes alone.
bool replaceFileIfChanged(const QString& path, const QByteArray& bytes);

// The whole file, or absent when it cannot be read.
std::optional<QByteArray> readWholeFile(const QString& path);

} // namespace launcher
