#include "platform/linux/LinuxAutostart.h"

#include "platform/LaunchAgentLabel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace launcher {

QString desktopExecValue(const QString& programPath)
{
    // Inside double quotes the characters ", `, $ and \ take a backslash.
    QString quoted = QStringLiteral("\"");
    for (QChar c : programPath) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted += QLatin1Char('"');

    // Then the value is a string of the entry: a literal % is a field code
    // unless doubled, and backslashes and line breaks are escaped once more.
    QString value;
    value.reserve(quoted.size() + 8);
    for (QChar c : quoted) {
        if (c == QLatin1Char('%'))
            value += QLatin1String("%%");
        else if (c == QLatin1Char('\\'))
            value += QLatin1String("\\\\");
        else if (c == QLatin1Char('\n'))
            value += QLatin1String("\\n");
        else if (c == QLatin1Char('\t'))
            value += QLatin1String("\\t");
        else if (c == QLatin1Char('\r'))
            value += QLatin1String("\\r");
        else
            value += c;
    }
    return value;
}

QString autostartDesktopEntry(const QString& programPath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=launcher\n"
                          "Exec=")
        + desktopExecValue(programPath)
        + QStringLiteral("\n"
                         "Icon=")
        + launchAgentLabel
        + QStringLiteral("\n"
                         "Terminal=false\n"
                         "X-GNOME-Autostart-enabled=true\n");
}

QString LinuxAutostart::itemPath() const
{
    // A relative value is to be ignored, as the base-directory rules say.
    QString config = environment_.variable(QStringLiteral("XDG_CONFIG_HOME")).value_or(QString());
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = environment_.homeDirectory() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/") + launchAgentLabel + QStringLiteral(".desktop");
}

void LinuxAutostart::install(const QString& programPath)
{
    const QString path = itemPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    file.write(autostartDesktopEntry(programPath).toUtf8());
    file.commit();
}

void LinuxAutostart::uninstall()
{
    QFile::remove(itemPath());
}

} // namespace launcher
