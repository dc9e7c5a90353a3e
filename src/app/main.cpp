#include "app/SelfTest.h"
#include "engine/Constants.h"
#include "platform/SystemPlatform.h"

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

    if (selfTest)
        return launcher::runSelfTestSuite(machine.platform(), out, err);

    err << "launcher " << launcher::appVersion
        << ": the menu-bar interface is not built yet; try --self-test-forced or --version\n";
    return 0;
}
