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

QString durationLabelInMinutes(AwakeMode mode, std::optional<double> startedAt, std::optional<double> scheduledStopAt,
                               double now, bool english)
{
    if (mode == AwakeMode::off || (!scheduledStopAt && !startedAt))
        return QString();
    const bool countDown = scheduledStopAt.has_value();
    const Clockface t = clockface(countDown ? *scheduledStopAt - now : now - *startedAt);
    const qint64 seconds = std::max<qint64>(t.r, 0);
    const qint64 minutes = countDown ? (seconds + 59) / 60 : seconds / 60;
    const qint64 h = minutes / 60, m = minutes % 60;
    QString time;
    if (english)
        time = h > 0 ? QStringLiteral("%1 h %2 min").arg(h).arg(m) : QStringLiteral("%1 min").arg(m);
    else
        time = h > 0 ? QStringLiteral("%1 小时 %2 分钟").arg(h).arg(m) : QStringLiteral("%1 分钟").arg(m);
    if (!countDown)
        return time;
    return english ? time + QStringLiteral(" left") : QStringLiteral("剩余 ") + time;
}

} // namespace launcher
