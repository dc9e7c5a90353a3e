#include "app/CommandLine.h"

#include "engine/Constants.h"

#include <QCommandLineParser>
#include <QRegularExpression>

namespace launcher {

namespace {

// Longer lines are no request of ours.
constexpr qsizetype maximumRequestLength = 4096;

QString tryHelp()
{
    return QStringLiteral("\nTry 'launcher --help'.");
}

UsageError usage(const QString& message)
{
    return UsageError{message + tryHelp()};
}

} // namespace

std::optional<std::optional<double>> parseDuration(const QString& text)
{
    if (text == QLatin1String("unlimited"))
        return std::optional<double>();
    static const QRegularExpression pattern(QStringLiteral("^([0-9]{1,9})([smhdw])$"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const double unit = [&] {
        switch (match.capturedView(2).front().unicode()) {
        case 's': return 1.0;
        case 'm': return 60.0;
        case 'h': return 3600.0;
        case 'd': return 86400.0;
        default: return 604800.0;
        }
    }();
    const double seconds = match.capturedView(1).toDouble() * unit;
    if (seconds <= 0 || seconds > longestDuration)
        return std::nullopt;
    return std::optional<double>(seconds);
}

Invocation parseInvocation(const QStringList& arguments)
{
    QStringList own = arguments;
    std::optional<QStringList> command;
    if (const qsizetype separator = arguments.indexOf(QStringLiteral("--"), 1); separator > 0) {
        own = arguments.mid(0, separator);
        command = arguments.mid(separator + 1);
    }
    // These two are found wherever they stand, as they always were; the
    // arguments of a command after "--" are its own.
    if (own.mid(1).contains(QStringLiteral("--version")))
        return ShowVersion{};
    if (arguments.contains(QStringLiteral("--self-test-forced")))
        return RunSelfTest{};

    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption json(QStringLiteral("json"), QString());
    const QCommandLineOption whilePid(QStringLiteral("while"), QString(), QStringLiteral("pid"));
    parser.addOptions({help, json, whilePid});
    if (!parser.parse(own))
        return usage(QStringLiteral("launcher: ") + parser.errorText());
    if (parser.isSet(help))
        return ShowHelp{};

    const QStringList words = parser.positionalArguments();
    if (command) {
        if (command->isEmpty())
            return usage(QStringLiteral("launcher: nothing to run after '--'"));
        if (!words.isEmpty() || parser.isSet(whilePid) || parser.isSet(json))
            return usage(QStringLiteral("launcher: '--' takes no command or option before it"));
        return HoldWhileCommand{*command};
    }
    if (parser.isSet(whilePid)) {
        bool number = false;
        const QString text = parser.value(whilePid);
        const int pid = text.toInt(&number);
        if (!number || pid <= 0)
            return usage(QStringLiteral("launcher: not a process id: '%1'").arg(text));
        if (!words.isEmpty() || parser.isSet(json))
            return usage(QStringLiteral("launcher: --while takes no command or other option"));
        return HoldWhileProcess{pid};
    }
    if (words.isEmpty()) {
        if (parser.isSet(json))
            return usage(QStringLiteral("launcher: --json goes with a command, such as status"));
        return RunTray{};
    }

    const QString& name = words.front();
    const QStringList rest = words.mid(1);
    RemoteCommand remote{name.toUtf8(), parser.isSet(json)};
    if (name == QLatin1String("normal") || name == QLatin1String("forced")) {
        if (rest.size() > 1)
            return usage(QStringLiteral("launcher: %1 takes at most one duration").arg(name));
        if (!rest.isEmpty()) {
            if (!parseDuration(rest.front()))
                return usage(QStringLiteral("launcher: bad duration '%1' (like 90s, 15m, 2h, 1d, 1w, up to 3w, or "
                                            "unlimited)")
                                 .arg(rest.front()));
            remote.line += ' ' + rest.front().toUtf8();
        }
        return remote;
    }
    if (name == QLatin1String("status") || name == QLatin1String("off") || name == QLatin1String("dashboard")) {
        if (!rest.isEmpty())
            return usage(QStringLiteral("launcher: %1 takes no argument").arg(name));
        if (remote.json && name == QLatin1String("dashboard"))
            return usage(QStringLiteral("launcher: dashboard has no --json output"));
        return remote;
    }
    return usage(QStringLiteral("launcher: unknown command '%1'").arg(name));
}

QString helpText()
{
    return QStringLiteral(
        "Usage: launcher                   start the menu-bar program (needs a display)\n"
        "       launcher COMMAND [--json]  ask the running menu-bar program\n"
        "       launcher --while PID       keep awake until process PID ends\n"
        "       launcher -- COMMAND [ARGS...]\n"
        "                                  keep awake while COMMAND runs\n"
        "\n"
        "Commands to the running program (of this user, over its local socket):\n"
        "  status              mode, elapsed and remaining time, what holds sleep and display\n"
        "  normal [DURATION]   start normal mode; without DURATION it has no timed stop\n"
        "  forced [DURATION]   start forced mode (screens off until the first input);\n"
        "                      without DURATION it stops after 3h, as from the menu\n"
        "  off                 stop the running mode\n"
        "  dashboard           open the dashboard window\n"
        "  DURATION is 90s, 15m, 2h, 1d, 1w (at most 3w) or unlimited. Starts are\n"
        "  checked against the power conditions, logged and shown as from the menu.\n"
        "\n"
        "Options:\n"
        "  --json              status as one JSON object (status, normal, forced, off)\n"
        "  --while PID         keep awake until process PID ends; exits 0 then\n"
        "  -- COMMAND [ARGS]   run COMMAND and keep awake until it ends; exits with\n"
        "                      its status (128+N when killed by signal N)\n"
        "  --version           print the version\n"
        "  --self-test-forced  run the self-test of the mode changes and exit\n"
        "  -h, --help          print this help\n"
        "\n"
        "--while and -- never need the menu-bar program or a display: they run the\n"
        "keep-awake helper themselves, holding off system sleep but not the display\n"
        "dimming, and stop it when done, also on SIGINT, SIGTERM or SIGHUP (which\n"
        "are passed on to COMMAND). A running menu-bar program is left alone: its\n"
        "mode and history do not change.\n"
        "\n"
        "Exit status:\n"
        "  0    done\n"
        "  1    refused (the refusal is printed), or the keep-awake helper could not start\n"
        "  2    unknown command or option, bad duration or process id\n"
        "  3    no running menu-bar program answered\n"
        "  127  COMMAND could not be started\n");
}

std::variant<Request, QByteArray> parseRequest(const QByteArray& line)
{
    if (line.size() > maximumRequestLength)
        return QByteArrayLiteral("error request too long");
    for (const char byte : line)
        if (byte < 0x20 || byte > 0x7e)
            return QByteArrayLiteral("error malformed request");
    const QList<QByteArray> words = line.split(' ');
    const QByteArray& name = words.front();
    if (words.size() == 1) {
        if (name == "status")
            return StatusRequest{};
        if (name == "show")
            return ShowRequest{};
        if (name == "dashboard")
            return DashboardRequest{};
        if (name == "off")
            return OffRequest{};
    }
    if ((name == "normal" || name == "forced") && words.size() <= 2) {
        const AwakeMode mode = name == "normal" ? AwakeMode::normal : AwakeMode::forced;
        if (words.size() == 1)
            return StartRequest{mode, mode == AwakeMode::forced ? std::optional(forcedQuickDuration) : std::nullopt};
        if (const auto duration = parseDuration(QString::fromLatin1(words[1])))
            return StartRequest{mode, *duration};
        return QByteArrayLiteral("error bad duration");
    }
    return QByteArrayLiteral("error unknown request");
}

} // namespace launcher
