#pragma once

#include <signal.h>
#include <spawn.h>

namespace launcher {

// Signal masks and handlers are inherited across exec: a child starts with
// none blocked and the ones this program handles back at their defaults.
// Returns the spawn flags that make the attributes count.
inline short cleanSignalsForChild(posix_spawnattr_t& attributes)
{
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attributes, &none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signal : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD})
        sigaddset(&defaults, signal);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    return POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
}

} // namespace launcher
