#include "engine/Constants.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--version") {
            QTextStream(stdout) << "launcher " << launcher::appVersion << '\n';
            return 0;
        }
    }
    QCoreApplication app(argc, argv);
    return 0;
}
