#pragma once

#include "platform/Platform.h"

namespace launcher {

// The launch agent's property list: label, the one program argument, start
// at load, no keeping alive, interactive. No line feed after the last tag.
QString launchAgentPropertyList(const QString& label, const QString& programPath);

// A per-user launch agent in ~/Library/LaunchAgents, registered with launchd.
class MacLaunchAgent final : public LoginItem {
public:
    MacLaunchAgent(const Environment& environment, CommandRunner& commands);
    QString itemPath() const override;
    QString defaultProgramPath() const override
    {
        return QStringLiteral("/Applications/launcher.app/Contents/MacOS/launcher");
    }
    // Writes the property list whole, then reloads the agent.
    void install(const QString& programPath) override;
    void uninstall() override;

private:
    void launchctl(const QString& subcommand);

    const Environment& environment_;
    CommandRunner& commands_;
};

} // namespace launcher
