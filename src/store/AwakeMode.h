#pragma once

#include <QString>

#include <array>
#include <optional>

namespace launcher {

enum class AwakeMode { off, normal, forced };

inline constexpr std::array<AwakeMode, 3> allAwakeModes{AwakeMode::off, AwakeMode::normal, AwakeMode::forced};

// The raw strings are what the state file and the history log store.
QString rawValue(AwakeMode mode);
std::optional<AwakeMode> awakeModeFromRaw(const QString& raw);

enum class DisableReason { manual, wakeInput, timerExpired, appQuit, conditionsUnmet };

// The history note of a stop (Chinese in every language).
QString historyNote(DisableReason reason);
// The notice a stop shows by itself, or absent.
std::optional<QString> notice(DisableReason reason);

} // namespace launcher
