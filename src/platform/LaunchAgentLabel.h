#pragma once

#include <QString>

namespace launcher {

// Names the launch-at-login item on every platform: the launch agent's
// "Label" and, with ".plist" or ".desktop", its file name.
inline const QString launchAgentLabel = QStringLiteral("org.pelvanewakehold.launcher");

} // namespace launcher
