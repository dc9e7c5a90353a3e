#pragma once

#include "store/AwakeMode.h"

#include <QString>

#include <optional>

namespace launcher {

// The menu's elapsed time: "HH:MM:SS", or "00:00" while off or without a start.
QString durationLabel(AwakeMode mode, std::optional<double> startedAt, double now);

// Beside the status item: the count-down of a timed stop ("T-MM:SS",
// "T-HH:MM:SS" from an hour on), else the elapsed time ("MM:SS", "HH:MM" from
// an hour on); empty while off.
QString durationLabelForStatusBar(AwakeMode mode, std::optional<double> startedAt,
                                  std::optional<double> scheduledStopAt, double now);

// The time left to a timed stop, in English or Chinese; absent while off or
// without a timed stop (the caller then says it is not set).
std::optional<QString> remainingTimeLabel(AwakeMode mode, std::optional<double> scheduledStopAt, double now,
                                          bool english);

} // namespace launcher
