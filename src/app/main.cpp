#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/HoldAwake.h"
#include "app/RemoteCommands.h"
#include "app/SelfTest.h"
#include "app/SingleInstance.h"
#include "dashboard/WindowDashboardHost.h"
#include "engine/Constants.h"
#include "platform/LaunchAgentLabel.h"
#include "platform/PosixKeepAwakeLauncher.h"
#include "platform/PosixSignals.h"
#include "platform/PrivateSocket.h"
#include "platform/ProcessWaiter.h"
#include "platform/SystemAppPlatform.h"
#include "platform/SystemEnvironment.h"
#include "platform/SystemPlatform.h"
#include "platform/TestModeParts.h"
#include "platform/UnplannedExit.h"

#include <QApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTextStream>

namespace {

#ifdef Q_OS_MACOS
constexpr bool isAppleDesktop = true;
#else
constexpr bool isAppleDesktop = false;
#endif

// A mode change may start the keep-awake process and run outside tools first.
constexpr int remoteAnswerTimeoutMs = 10000;

int askRunningProgram(const launcher::RemoteCommand& command, QTextStream& out, QTextStream& err)
{
    const launcher::SystemEnvironment environment;
    launcher::SingleInstance instance(launcher::supportDirectoryFor(environment),
                                      launcher::privateSocketDirectory(environment));
    // Without its socket nobody listens: no need to wait for an answer.
    std::optional<QByteArray> answer;
    if (!instance.serverPath().isEmpty() && QFileInfo::exists(instance.serverPath()))
        answer = instance.request(command.line, remoteAnswerTimeoutMs);
    if (!answer) {
        err << "launcher: the menu-bar program is not running (no answer on its socket)\n";
        return launcher::exitNoInstance;
    }
    const QString text = QString::fromUtf8(*answer);
    const QString word = text.section(QLatin1Char(' '), 0, 0);
    const QString rest = text.section(QLatin1Char(' '), 1);
    if (word == QLatin1String("ok")) {
        if (rest.isEmpty())
            return launcher::exitOk;
        if (command.json)
            out << rest << '\n';
        else
            out << launcher::statusText(QJsonDocument::fromJson(rest.toUtf8()).object());
        return launcher::exitOk;
    }
    err << "launcher: " << (rest.isEmpty() ? text : rest) << '\n';
    return word == QLatin1String("refused") ? launcher::exitRefused : launcher::exitUsage;
}

int runTray(int argc, char** argv, bool selfTest, QTextStream& out, QTextStream& err)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") && !isAppleDesktop) {
        // Qt would abort without a display; the self-test needs none.
        if (!selfTest) {
            err << "launcher: no display to show the menu-bar item on (DISPLAY is not set)\n";
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    // Lets a desktop match the program's windows to its installed entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pelvanewakehold.launcher"));
    launcher::SystemPlatform machine;
    launcher::TestModeParts chosen(machine.platform());

    if (selfTest)
        return launcher::runSelfTestSuite(chosen.platform(), out, err);

    const launcher::Environment& environment = chosen.platform().environment;
    launcher::SingleInstance instance(launcher::supportDirectoryFor(environment),
                                      launcher::privateSocketDirectory(environment));
    if (!instance.tryBecomePrimary()) {
        // Turning launch at login on starts a copy at once; it has nothing to show.
        if (launcher::startedByLaunchAgent(machine.platform().environment))
            return 0;
        if (instance.askPrimaryToShow())
            return 0;
        err << "launcher: another instance holds " << instance.lockFilePath() << " but does not answer\n";
        return 1;
    }
    if (!instance.listenError().isEmpty())
        err << "launcher: cannot listen for later launches: " << instance.listenError() << '\n';
    err.flush();

    launcher::SystemAppPlatform desktop;
    launcher::AppDelegate delegate(chosen.platform(), desktop.appPlatform(),
                                  std::make_unique<launcher::WindowDashboardHost>(desktop.appPlatform()));
    QObject::connect(&instance, &launcher::SingleInstance::showRequested, &delegate,
                     [&delegate] { delegate.openHistoryFile(); });
    instance.setRequestHandler([&delegate](const QByteArray& line) { return launcher::answerRequest(delegate, line); });
    // A signal ends the event loop like Quit does, so the shutdown below still runs.
    launcher::PosixSignals posixSignals([](int) { QCoreApplication::quit(); });

    // Qt ends the process with exit() when the X display goes away (logout,
    // a dead X server or XWayland): the mode is stopped and logged then too,
    // so the keep-awake helper does not outlive the session.
    launcher::UnplannedExitGuard lostDisplay([&delegate] { delegate.applicationLostDisplay(); });

    delegate.onStartupProblem = [&err](const QString& problem) {
        err << problem << '\n';
        err.flush();
    };
    delegate.applicationDidFinishLaunching();
    app.exec();
    // Requests that come while shutting down are not answered by a delegate that is gone.
    instance.setRequestHandler(nullptr);
    delegate.applicationWillTerminate();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const launcher::Invocation invocation = launcher::parseInvocation(arguments);

    if (std::holds_alternative<launcher::ShowHelp>(invocation)) {
        out << launcher::helpText();
        return launcher::exitOk;
    }
    if (std::holds_alternative<launcher::ShowVersion>(invocation)) {
        out << "launcher " << launcher::appVersion << '\n';
        return launcher::exitOk;
    }
    if (const auto* problem = std::get_if<launcher::UsageError>(&invocation)) {
        err << problem->message << '\n';
        return launcher::exitUsage;
    }
    if (const auto* command = std::get_if<launcher::RemoteCommand>(&invocation))
        return askRunningProgram(*command, out, err);
    if (std::holds_alternative<launcher::HoldWhileCommand>(invocation)
        || std::holds_alternative<launcher::HoldWhileProcess>(invocation)) {
        launcher::PosixKeepAwakeLauncher keepAwake(launcher::defaultKeepAwakeProgram());
        launcher::PosixProcessWaiter waiter;
        if (const auto* hold = std::get_if<launcher::HoldWhileCommand>(&invocation))
            return launcher::holdAwakeWhileCommand(keepAwake, waiter, hold->command, err);
        return launcher::holdAwakeWhileProcess(keepAwake, waiter, std::get<launcher::HoldWhileProcess>(invocation).pid,
                                               err);
    }
    return runTray(argc, argv, std::holds_alternative<launcher::RunSelfTest>(invocation), out, err);
}
