#include "platform/macos/MacLaunchAgent.h"

#include "platform/LaunchAgentLabel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace launcher {

namespace {

QString xmlText(const QString& text)
{
    QString escaped;
    escaped.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char('&'))
            escaped += QLatin1String("&amp;");
        else if (c == QLatin1Char('<'))
            escaped += QLatin1String("&lt;");
        else if (c == QLatin1Char('>'))
            escaped += QLatin1String("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

QString launchAgentPropertyList(const QString& label, const QString& programPath)
{
    const QStringList lines{
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
        QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"),
        QStringLiteral("<plist version=\"1.0\">"),
        QStringLiteral("<dict>"),
        QStringLiteral("  <key>Label</key><string>") + xmlText(label) + QStringLiteral("</string>"),
        QStringLiteral("  <key>ProgramArguments</key>"),
        QStringLiteral("  <array>"),
        QStringLiteral("    <string>") + xmlText(programPath) + QStringLiteral("</string>"),
        QStringLiteral("  </array>"),
        QStringLiteral("  <key>RunAtLoad</key><true/>"),
        QStringLiteral("  <key>KeepAlive</key><false/>"),
        QStringLiteral("  <key>ProcessType</key><string>Interactive</string>"),
        QStringLiteral("</dict>"),
        QStringLiteral("</plist>"),
    };
    return lines.join(QLatin1Char('\n'));
}

MacLaunchAgent::MacLaunchAgent(const Environment& environment, CommandRunner& commands)
    : environment_(environment), commands_(commands)
{
}

QString MacLaunchAgent::itemPath() const
{
    return environment_.homeDirectory() + QStringLiteral("/Library/LaunchAgents/") + launchAgentLabel
        + QStringLiteral(".plist");
}

void MacLaunchAgent::install(const QString& programPath)
{
    const QString path = itemPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(launchAgentPropertyList(launchAgentLabel, programPath).toUtf8());
        file.commit();
    }
    // Unload a previous registration first so that the new file is the one
    // loaded; but unloading the job that started this very process ends it.
    // That job stays loaded as it is, and the file counts from the next login.
    if (!startedByLaunchAgent(environment_))
        launchctl(QStringLiteral("bootout"));
    launchctl(QStringLiteral("bootstrap"));
}

void MacLaunchAgent::uninstall()
{
    // launchd would end this process with its job; without the file the job
    // is not loaded at the next login.
    if (!startedByLaunchAgent(environment_))
        launchctl(QStringLiteral("bootout"));
    QFile::remove(itemPath());
}

void MacLaunchAgent::launchctl(const QString& subcommand)
{
    commands_.runCommand(QStringLiteral("/bin/launchctl"),
                         {subcommand, QStringLiteral("gui/") + QString::number(environment_.userId()), itemPath()});
}

} // namespace launcher
