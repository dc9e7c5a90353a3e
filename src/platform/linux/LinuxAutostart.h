#pragma once

#include "platform/Platform.h"

namespace launcher {

// One program path as an Exec= value: quoted, with the escapes that quoting,
// field codes and desktop-entry string values each require.
QString desktopExecValue(const QString& programPath);

// The autostart desktop entry that runs programPath at login.
QString autostartDesktopEntry(const QString& programPath);

// A desktop entry in the user's XDG autostart folder; the session starts it at login.
class LinuxAutostart final : public LoginItem {
public:
    explicit LinuxAutostart(const Environment& environment) : environment_(environment) {}
    QString itemPath() const override;
    // The session looks a bare name up in PATH.
    QString defaultProgramPath() const override { return QStringLiteral("launcher"); }
    void install(const QString& programPath) override;
    void uninstall() override;

private:
    const Environment& environment_;
};

} // namespace launcher
