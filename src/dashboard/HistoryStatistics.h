#pragma once

#include "engine/StateStore.h"

#include <QDate>
#include <QString>
#include <QTimeZone>

#include <vector>

namespace launcher {

// Awake time of one local calendar day.
struct DayUsage {
    double day = 0; // seconds since 1970 of the day's first moment
    QDate date;     // the calendar day itself, for labels
    double normalDuration = 0;
    double forcedDuration = 0;

    double totalDuration() const { return normalDuration + forcedDuration; }
    bool operator==(const DayUsage&) const = default;
};

// The seven local days from six days ago to today, oldest first; a session
// is split at local midnight and only forced sessions count as forced.
std::vector<DayUsage> dayUsages(const std::vector<HistorySession>& sessions, double now, const QTimeZone& timeZone);


// "%d分" under an hour, else "%d小时%02d分"; half seconds round up.
QString formatDuration(double seconds);

// The latest-starting sessions, latest first; equal starts keep their order.
std::vector<HistorySession> latestSessions(const std::vector<HistorySession>& sessions, size_t count);

} // namespace launcher
