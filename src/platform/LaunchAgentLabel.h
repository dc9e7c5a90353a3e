#pragma once

#include "platform/Platform.h"

#include <QString>

namespace launcher {

// Names the launch-at-login item on every platform: the launch agent's
// "Label" and, with ".plist" or ".desktop", its file name.
inline const QString launchAgentLabel = QStringLiteral("org.pelvanewakehold.launcher");

// launchd names the job in XPC_SERVICE_NAME for every process it starts for
// one: true in a copy that the launch agent started.
inline bool startedByLaunchAgent(const Environment& environment)
{
    return environment.variable(QStringLiteral("XPC_SERVICE_NAME")) == launchAgentLabel;
}

} // namespace launcher
