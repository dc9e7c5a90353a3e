#pragma once

#include "store/Localization.h"

#include <QByteArray>
#include <QColor>

#include <optional>

namespace launcher {

struct Preferences {
    bool muteInForced = true;
    QColor hangPelvaneColor;   // defaults to activePelvaneGreen()
    QColor forcedPelvaneColor; // defaults to activePelvaneGreen()
    AppLanguage language = AppLanguage::system;
    bool allowOnBattery = true;
    bool allowOnAC = true;
    int minimumBatteryPercentage = 0;
    bool requireMoviePlayback = false;

    static Preferences defaults();
};

// Absent when the bytes are not a JSON object; otherwise every key that is
// missing or of the wrong type takes its default.
std::optional<Preferences> decodePreferences(const QByteArray& bytes);

// Pretty-printed JSON holding every key.
QByteArray encodePreferences(const Preferences& preferences);

} // namespace launcher
