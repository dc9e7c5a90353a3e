#include "store/Labels.h"

#include <algorithm>
#include <cmath>

namespace launcher {

namespace {

struct Clockface {
    qint64 r;       // whole seconds, truncated toward zero; may be negative
    qint64 h, m, c; // of max(r, 0)
};

Clockface clockface(double seconds)
{
    const double truncated = std::trunc(seconds);
    // Far beyond any real session; keeps the conversion defined.
    const qint64 r = std::isfinite(truncated) ? qint64(std::clamp(truncated, -1e15, 1e15)) : 0;
    const qint64 s = std::max<qint64>(r, 0);
    return {r, s / 3600, (s % 3600) / 60, s % 60};
}

QString two(qint64 value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString durationLabel(AwakeMode mode, std::optional<double> startedAt, double now)
{
    if (mode == AwakeMode::off || !startedAt)
        return QStringLiteral("00:00");
    const Clockface t = clockface(now - *startedAt);
    return two(t.h) + QLatin1Char(':') + two(t.m) + QLatin1Char(':') + two(t.c);
}

QString durationLabelForStatusBar(AwakeMode mode, std::optional<double> startedAt,
                                  std::optional<double> scheduledStopAt, double now)
{
    if (mode == AwakeMode::off)
        return QString();
    if (scheduledStopAt) {
        const Clockface t = clockface(*scheduledStopAt - now);
        if (t.r >= 3600)
            return QStringLiteral("T-") + two(t.h) + QLatin1Char(':') + two(t.m) + QLatin1Char(':') + two(t.c);
        return QStringLiteral("T-") + two(t.m) + QLatin1Char(':') + two(t.c);
    }
    if (startedAt) {
        const Clockface t = clockface(now - *startedAt);
        if (t.r >= 3600)
            return two(t.h) + QLatin1Char(':') + two(t.m);
        return two(t.m) + QLatin1Char(':') + two(t.c);
    }
    return QString();
}

std::optional<QString> remainingTimeLabel(AwakeMode mode, std::optional<double> scheduledStopAt, double now,
                                          bool english)
{
    if (mode == AwakeMode::off || !scheduledStopAt)
        return std::nullopt;
    const Clockface t = clockface(*scheduledStopAt - now);
    const QString time = t.r >= 3600 ? two(t.h) + QLatin1Char(':') + two(t.m) + QLatin1Char(':') + two(t.c)
                                     : two(t.m) + QLatin1Char(':') + two(t.c);
    return english ? time + QStringLiteral(" remaining") : QStringLiteral("剩余 ") + time;
}

} // namespace launcher
