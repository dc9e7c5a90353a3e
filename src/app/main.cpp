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

} // namespace

int main(int argc, char** argv)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (hasArgument(argc, argv, "--version")) {
        out << "launcher " << launcher::appVersion << '\n';
        return 0;
    }

    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    launcher::SystemPlatform machine;

    if (hasArgument(argc, argv, "--self-test-forced"))
        return launcher::runSelfTestSuite(machine.platform(), out, err);

    err << "launcher " << launcher::appVersion
        << ": the menu-bar interface is not built yet; try --self-test-forced or --version\n";
    return 0;
}
