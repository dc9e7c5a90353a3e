#pragma once

#include "store/AwakeMode.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace launcher {

// What the program's exit status means to a script.
enum ExitCode : int {
    exitOk = 0,
    exitRefused = 1,       // the running program would not start the mode, or a helper could not start
    exitUsage = 2,         // unknown command or option, bad duration, bad process id
    exitNoInstance = 3,    // no running program of this user answered
    exitCannotRun = 127,   // the command after "--" could not be started
};

// The longest timed stop: the timers of the running program count in
// milliseconds that fit an int, a little over 24 days.
inline constexpr double longestDuration = 21 * 86400.0;

// "90s", "15m", "2h", "1d", "1w": seconds; "unlimited": a present, empty
// duration. Absent when the text is none of these, zero or too long.
std::optional<std::optional<double>> parseDuration(const QString& text);

// What one invocation asks for.
struct RunTray {};
struct ShowHelp {};
struct ShowVersion {};
struct RunSelfTest {};
struct UsageError {
    QString message;
};
// A command for the running program; line is the request sent over its socket.
struct RemoteCommand {
    QByteArray line;
    bool json = false;
};
struct HoldWhileProcess {
    qint32 pid = 0;
};
struct HoldWhileCommand {
    QStringList command; // program and its arguments
};
using Invocation =
    std::variant<RunTray, ShowHelp, ShowVersion, RunSelfTest, UsageError, RemoteCommand, HoldWhileProcess, HoldWhileCommand>;

// arguments: the whole command line, the program name first.
Invocation parseInvocation(const QStringList& arguments);

QString helpText();

// --- the socket's requests, as the running program reads them

struct StatusRequest {};
struct ShowRequest {};   // a second launch of the tray program
struct DashboardRequest {};
struct OffRequest {};
struct StartRequest {
    AwakeMode mode = AwakeMode::normal;
    std::optional<double> duration; // absent: no timed stop
};
using Request = std::variant<StatusRequest, ShowRequest, DashboardRequest, OffRequest, StartRequest>;

// The request of one line (without its line feed), or the error text to
// answer it with. Never throws or reads past the line.
std::variant<Request, QByteArray> parseRequest(const QByteArray& line);

} // namespace launcher
