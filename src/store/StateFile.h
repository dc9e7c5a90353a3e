#pragma once

#include "store/AwakeMode.h"

#include <QByteArray>

#include <optional>

namespace launcher {

// The persisted part of the state store.
struct PersistedState {
    std::optional<qint32> pid;
    AwakeMode mode = AwakeMode::off;
    std::optional<int> previousVolume;
    std::optional<bool> previousMuted;
    std::optional<int> previousAlertVolume;
    std::optional<double> previousBrightness;
    std::optional<double> previousKeyboardBrightness;
    std::optional<double> startedAt; // seconds since 1970

    bool operator==(const PersistedState&) const = default;
};

// Compact JSON; absent values are left out, never written as null.
QByteArray encodeState(const PersistedState& state);

// Absent when the bytes are not a JSON object with a valid "mode", or any
// known member has the wrong type.
std::optional<PersistedState> decodeState(const QByteArray& bytes);

} // namespace launcher
