#pragma once

#include "engine/Timings.h"
#include "platform/Platform.h"
#include "store/Color.h"

#include <QColor>
#include <QSize>
#include <QString>

#include <array>

namespace launcher {

// From the build's project version.
inline const QString appVersion = QStringLiteral(LAUNCHER_VERSION);

inline constexpr std::array<WakeEventType, 7> wakeEventTypes{
    WakeEventType::mouseMoved,     WakeEventType::leftMouseDown, WakeEventType::rightMouseDown,
    WakeEventType::otherMouseDown, WakeEventType::scrollWheel,   WakeEventType::keyDown,
    WakeEventType::flagsChanged,
};

// Seconds since the last event of each type, in the order of wakeEventTypes.
using WakeEventAges = std::array<double, wakeEventTypes.size()>;

inline constexpr double forcedQuickDuration = 10800;
inline constexpr QSize dashboardDefaultSize{650, 920};
inline constexpr QSize dashboardMinimumSize{620, 840};

} // namespace launcher
