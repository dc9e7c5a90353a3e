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

// The status bar's time to the minute, for places where every change costs
// (a tray in another process): the minutes left to a timed stop, rounded up
// ("12 min left", "剩余 1 小时 5 分钟"), else the whole minutes elapsed
// ("0 min", "3 小时 5 分钟"); empty while off or without a start.
QString durationLabelInMinutes(AwakeMode mode, std::optional<double> startedAt, std::optional<double> scheduledStopAt,
                               double now, bool english);

} // namespace launcher
