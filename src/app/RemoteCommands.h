#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

namespace launcher {

class AppDelegate;
class StateStore;

// The running program's answer to one request line from its socket:
// "ok" or "ok " + the status as JSON; "refused " + the refusal's own text;
// "error " + what was wrong with the request.
QByteArray answerRequest(AppDelegate& delegate, const QByteArray& line);

// mode, startedAt, elapsed, stopAt, remaining (seconds; null when absent),
// pid, and holds {sleep, display} as the keep-awake process reported them
// (null when it has not said, as an adopted process never does).
QJsonObject statusObject(StateStore& state);

// The status for a person, one item per line.
QString statusText(const QJsonObject& status);

} // namespace launcher
