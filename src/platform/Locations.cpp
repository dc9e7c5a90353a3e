#include "platform/Platform.h"

#include <QDir>

namespace launcher {

QString supportDirectoryFor(const Environment& environment)
{
#ifdef __APPLE__
    return environment.homeDirectory() + QStringLiteral("/Library/Application Support/PelvaneWakehold");
#else
    // Relative values are to be ignored, as the base-directory rules say.
    QString base = environment.variable(QStringLiteral("XDG_DATA_HOME")).value_or(QString());
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = environment.homeDirectory() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/PelvaneWakehold");
#endif
}

} // namespace launcher
