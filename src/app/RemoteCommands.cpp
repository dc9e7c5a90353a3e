#include "app/RemoteCommands.h"

#include "app/AppDelegate.h"
#include "app/CommandLine.h"

#include <QJsonDocument>

#include <cmath>

namespace launcher {

namespace {

QJsonValue optionalNumber(const std::optional<double>& value)
{
    return value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null);
}

QByteArray statusLine(StateStore& state)
{
    return "ok " + QJsonDocument(statusObject(state)).toJson(QJsonDocument::Compact);
}

// 3725 seconds as "1:02:05"; days are counted in hours.
QString clockText(double seconds)
{
    const qint64 whole = qint64(std::floor(std::max(0.0, seconds)));
    return QStringLiteral("%1:%2:%3")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QJsonObject statusObject(StateStore& state)
{
    state.reconnectIfPossible();
    const double now = state.now();
    QJsonObject status;
    status.insert(QStringLiteral("mode"), rawValue(state.mode()));
    status.insert(QStringLiteral("startedAt"), optionalNumber(state.startedAt()));
    status.insert(QStringLiteral("elapsed"),
                  optionalNumber(state.startedAt() ? std::optional(std::max(0.0, now - *state.startedAt())) : std::nullopt));
    status.insert(QStringLiteral("stopAt"), optionalNumber(state.scheduledStopAt()));
    status.insert(QStringLiteral("remaining"),
                  optionalNumber(state.scheduledStopAt() ? std::optional(std::max(0.0, *state.scheduledStopAt() - now))
                                                       : std::nullopt));
    status.insert(QStringLiteral("pid"), state.pid() ? QJsonValue(*state.pid()) : QJsonValue(QJsonValue::Null));
    const std::optional<KeepAwakeCoverage> coverage = state.keepAwakeCoverage();
    status.insert(QStringLiteral("holds"),
                  coverage ? QJsonValue(QJsonObject{{QStringLiteral("sleep"), coverage->sleep},
                                                    {QStringLiteral("display"), coverage->display}})
                           : QJsonValue(QJsonValue::Null));
    return status;
}

QString statusText(const QJsonObject& status)
{
    const QString mode = status.value(QStringLiteral("mode")).toString();
    QString text = QStringLiteral("mode: %1\n").arg(mode);
    if (mode == QLatin1String("off"))
        return text;
    const QJsonValue elapsed = status.value(QStringLiteral("elapsed"));
    text += QStringLiteral("elapsed: %1\n").arg(elapsed.isDouble() ? clockText(elapsed.toDouble()) : QStringLiteral("unknown"));
    const QJsonValue remaining = status.value(QStringLiteral("remaining"));
    text += QStringLiteral("remaining: %1\n")
                .arg(remaining.isDouble() ? clockText(std::ceil(remaining.toDouble())) : QStringLiteral("no timed stop"));
    const QJsonValue holds = status.value(QStringLiteral("holds"));
    if (!holds.isObject())
        return text + QStringLiteral("holds: not reported by the keep-awake process\n");
    QStringList held;
    if (holds[QStringLiteral("sleep")].toBool())
        held << QStringLiteral("sleep");
    if (holds[QStringLiteral("display")].toBool())
        held << QStringLiteral("display");
    return text + QStringLiteral("holds: %1\n").arg(held.isEmpty() ? QStringLiteral("nothing this desktop obeys")
                                                                   : held.join(QStringLiteral(", ")));
}

QByteArray answerRequest(AppDelegate& delegate, const QByteArray& line)
{
    const auto parsed = parseRequest(line);
    if (const auto* error = std::get_if<QByteArray>(&parsed))
        return *error;
    const Request& request = std::get<Request>(parsed);
    if (std::holds_alternative<StatusRequest>(request))
        return statusLine(delegate.state);
    if (std::holds_alternative<ShowRequest>(request) || std::holds_alternative<DashboardRequest>(request)) {
        // After the answer: opening the window may take longer than the asker waits.
        QMetaObject::invokeMethod(&delegate, [&delegate] { delegate.openHistoryFile(); }, Qt::QueuedConnection);
        return QByteArrayLiteral("ok");
    }
    if (std::holds_alternative<OffRequest>(request)) {
        delegate.disableAwake();
        return statusLine(delegate.state);
    }
    const auto& start = std::get<StartRequest>(request);
    if (const auto refusal = delegate.startRequested(TimedPresetChoice{start.mode, start.duration}))
        return "refused " + refusal->simplified().toUtf8();
    return statusLine(delegate.state);
}

} // namespace launcher
