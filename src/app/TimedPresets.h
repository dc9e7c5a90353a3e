#pragma once

#include "store/AwakeMode.h"

#include <QMetaType>
#include <QString>

#include <array>
#include <optional>

namespace launcher {

// A mode to start and, optionally, how long it runs before it stops itself.
struct TimedPresetChoice {
    AwakeMode mode = AwakeMode::normal;
    std::optional<double> duration; // seconds; absent: no timed stop

    bool operator==(const TimedPresetChoice&) const = default;
};

struct TimedPreset {
    QString zh;
    QString en;
    std::optional<double> duration;
};

// The ten presets both timed submenus and the dashboard offer, in order.
const std::array<TimedPreset, 10>& timedPresetCatalogue();

} // namespace launcher

Q_DECLARE_METATYPE(launcher::TimedPresetChoice)
