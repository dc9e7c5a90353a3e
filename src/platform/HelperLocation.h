#pragma once

#include <QString>

namespace launcher {

// Where the Linux keep-awake helper is, for a program running from
// programFolder: beside it in a build folder, or in the private libexec
// folder of an installed tree. When neither exists, the path beside it, so
// the failure to start names the place a build puts it.
QString keepAwakeProgramIn(const QString& programFolder);

} // namespace launcher
