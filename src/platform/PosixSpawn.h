#pragma once

#include <QString>
#include <QStringList>

#include <spawn.h>
#include <sys/types.h>

namespace launcher {

// What a child is started with: its standard output and error are `output`,
// and its signal state is clean, since masks and handlers are inherited
// across exec. `flags` are further spawn flags; callers add their own file
// actions and attributes before spawning.
struct ChildSpawn {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

    ChildSpawn(int output, short flags);
    ~ChildSpawn();
    // Starts program with arguments in this process's environment; false
    // when it could not be started.
    bool start(const QString& program, const QStringList& arguments, pid_t& pid);
    ChildSpawn(const ChildSpawn&) = delete;
    ChildSpawn& operator=(const ChildSpawn&) = delete;
};

// A pipe whose ends are closed on exec, read without waiting. With
// nonBlockingWrite, a child whose output nobody reads any more loses it
// rather than stalls. False, with nothing left open, when it cannot be made.
bool makeOutputPipe(int ends[2], bool nonBlockingWrite);

} // namespace launcher
