// Writes the program's icons into a hicolor theme folder at build time:
//   launcher-render-icons <theme folder> <icon name> <size>...
// one PNG per size and one scalable SVG, all from the status glyph's drawing.

#include "app/AppIcon.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    // Nothing is shown: no display is needed where packages are built.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    if (args.size() < 3) {
        err << "usage: launcher-render-icons <theme folder> <icon name> <size>...\n";
        return 2;
    }
    const QDir theme(args[0]);
    const QString name = args[1];
    const auto write = [&](const QString& folder, const QString& extension, const QByteArray& data) {
        QFile out(theme.filePath(folder + QLatin1Char('/') + name + extension));
        return theme.mkpath(folder) && out.open(QIODevice::WriteOnly) && out.write(data) == data.size() && out.flush();
    };

    for (const QString& text : args.mid(2)) {
        bool ok = false;
        const int size = text.toInt(&ok);
        if (!ok || size <= 0) {
            err << "not a size: " << text << '\n';
            return 2;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!launcher::drawAppIcon(size).save(&buffer, "PNG")
            || !write(QStringLiteral("%1x%1/apps").arg(size), QStringLiteral(".png"), png)) {
            err << "cannot write the " << size << " pixel icon\n";
            return 1;
        }
    }
    if (!write(QStringLiteral("scalable/apps"), QStringLiteral(".svg"), launcher::appIconSvg(256))) {
        err << "cannot write the scalable icon\n";
        return 1;
    }
    return 0;
}
