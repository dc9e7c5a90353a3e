#pragma once

#include "platform/Platform.h"

#include <QString>

namespace launcher {

// A folder for the program's local socket in which no other user can create
// or replace anything: the user's runtime folder (Linux), the per-user
// temporary folder (macOS), or else a 0700 folder of the user's own in the
// shared temporary folder. Empty when none of them can be trusted, as when
// another user has taken the fallback's name first.
QString privateSocketDirectory(const Environment& environment);

// Whether the process at the other end of a connected local socket runs as
// the same user as this one. False when that cannot be told.
bool peerIsSameUser(qintptr socketDescriptor);

} // namespace launcher
