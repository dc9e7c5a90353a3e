#include "dashboard/HistoryStatistics.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace launcher {

namespace {

// startOfDay, not midnight: in a few zones a clock change skips 00:00.
double startOf(QDate date, const QTimeZone& timeZone)
{
    return double(date.startOfDay(timeZone).toMSecsSinceEpoch()) / 1000.0;
}

QDate localDate(double at, const QTimeZone& timeZone)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::floor(at * 1000.0)), timeZone).date();
}

double overlap(const HistorySession& session, double from, double to)
{
    return std::min(to, session.end) - std::max(from, session.start);
}

} // namespace

std::vector<DayUsage> dayUsages(const std::vector<HistorySession>& sessions, double now, const QTimeZone& timeZone)
{
    const QDate today = localDate(now, timeZone);
    std::vector<DayUsage> days;
    std::vector<double> ends;
    for (int i = -6; i <= 0; ++i) {
        const QDate date = today.addDays(i);
        days.push_back(DayUsage{startOf(date, timeZone), date, 0, 0});
        ends.push_back(startOf(date.addDays(1), timeZone));
    }
    const double first = days.front().day, last = ends.back();
    for (const HistorySession& session : sessions) {
        // Most of a long history lies before the week.
        if (session.end <= first || session.start >= last)
            continue;
        for (size_t k = 0; k < days.size(); ++k) {
            const double seconds = overlap(session, days[k].day, ends[k]);
            if (seconds <= 0)
                continue;
            (session.mode == AwakeMode::forced ? days[k].forcedDuration : days[k].normalDuration) += seconds;
        }
    }
    return days;
}

QString formatDuration(double seconds)
{
    const auto total = qint64(std::floor(seconds + 0.5));
    const qint64 hours = total / 3600, minutes = total % 3600 / 60;
    if (total < 3600)
        return QStringLiteral("%1分").arg(minutes);
    return QStringLiteral("%1小时%2分").arg(hours).arg(minutes, 2, 10, QLatin1Char('0'));
}

std::vector<HistorySession> latestSessions(const std::vector<HistorySession>& sessions, size_t count)
{
    // One pass keeping the few best, from the end: the list can hold years of
    // sessions, mostly in time order, so nearly all are rejected at once.
    std::vector<HistorySession> kept;
    if (count == 0)
        return kept;
    kept.reserve(count + 1);
    for (auto it = sessions.rbegin(); it != sessions.rend(); ++it) {
        if (kept.size() == count && it->start < kept.back().start)
            continue;
        // Earlier in the input than every kept one, so ahead of those with the same start.
        const auto at = std::lower_bound(kept.begin(), kept.end(), it->start,
                                         [](const HistorySession& s, double start) { return s.start > start; });
        kept.insert(at, *it);
        if (kept.size() > count)
            kept.pop_back();
    }
    return kept;
}

} // namespace launcher
