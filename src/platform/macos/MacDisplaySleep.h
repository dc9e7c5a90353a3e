#pragma once

#include "platform/Platform.h"

namespace launcher {

// Sends every display to sleep at once; the system stays awake.
void runDisplaySleepCommand(CommandRunner& commands);

} // namespace launcher
