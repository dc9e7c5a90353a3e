// <spawn.h>: Apple's additions to posix_spawn.
#pragma once
#include_next <spawn.h>

// Close every descriptor not named by a file action (a spawn attribute flag).
#define POSIX_SPAWN_CLOEXEC_DEFAULT 0x4000

#ifdef __cplusplus
extern "C" {
#endif
int posix_spawn_file_actions_addinherit_np(posix_spawn_file_actions_t* file_actions, int filedes);
#ifdef __cplusplus
}
#endif
