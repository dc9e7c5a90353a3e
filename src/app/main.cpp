#include "app/AppDelegate.h"
#include "app/SelfTest.h"
#include "app/SingleInstance.h"
#include "dashboard/WindowDashboardHost.h"
#include "engine/Constants.h"
#include "platform/PosixSignals.h"
#include "platform/PrivateSocket.h"
#include "platform/SystemAppPlatform.h"
#include "platform/SystemPlatform.h"
#include "platform/TestModeParts.h"
#include "platform/UnplannedExit.h"

#include <QApplication>
#include <QTextStream>

namespace {

bool hasArgument(int argc, char** argv, const char* wanted)
{
    for (int i = 0; i < argc; ++i)
        if (qstrcmp(argv[i], wanted) == 0)
            return true;
    return false;
}

#ifdef Q_OS_MACOS
constexpr bool isAppleDesktop = true;
#else
constexpr bool isAppleDesktop = false;
#endif

} // namespace

int main(int argc, char** argv)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (hasArgument(argc, argv, "--version")) {
        out << "launcher " << launcher::appVersion << '\n';
        return 0;
    }

    const bool selfTest = hasArgument(argc, argv, "--self-test-forced");
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
    launcher::SystemPlatform machine;
    launcher::TestModeParts chosen(machine.platform());

    if (selfTest)
        return launcher::runSelfTestSuite(chosen.platform(), out, err);

    const launcher::Environment& environment = chosen.platform().environment;
    launcher::SingleInstance instance(launcher::supportDirectoryFor(environment),
                                      launcher::privateSocketDirectory(environment));
    if (!instance.tryBecomePrimary()) {
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
#ifdef LAUNCHER_UNCACHED_GLYPHS
    delegate.disableGlyphCache();
#endif
    QObject::connect(&instance, &launcher::SingleInstance::showRequested, &delegate,
                     [&delegate] { delegate.openHistoryFile(); });
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
    delegate.applicationWillTerminate();
    return 0;
}
