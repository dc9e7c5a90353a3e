#pragma once

#include <QString>

#include <optional>

namespace launcher {

// The value of the first line of tool output that starts with prefix, once
// spaces and tabs around the line are ignored: the line without the prefix,
// trimmed again. Absent when no line starts with it.
std::optional<QString> captureValue(const QString& text, const QString& prefix);

} // namespace launcher
