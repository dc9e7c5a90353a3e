#pragma once

#include "platform/Platform.h"

#include <QTextStream>

namespace launcher {

// Drives the mode transitions on a fresh state store through the real event
// loop and reports "SELF-TEST OK" or one "SELF-TEST FAIL: " line per failed
// check. Returns the exit status: 0 when every check passed, 1 otherwise.
int runSelfTestSuite(const Platform& platform, QTextStream& out, QTextStream& err);

} // namespace launcher
