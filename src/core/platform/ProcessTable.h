#pragma once

#include <QString>

#include <sys/types.h>

#include <optional>

// Looks up the processes of one encoder run: the program a runner started and everything it
// started in turn. A run's programs share a process group (the runner gives each program a
// group of its own), and this program is a child subreaper, so descendants whose parent has
// ended are re-parented to us and still count as ours. A stranger's process of the same name
// is never in that tree.
namespace ProcessTable {

// Makes this process adopt its orphaned descendants (instead of init), so they stay in our tree
// and we can wait for them. Idempotent.
void becomeChildSubreaper();

// True when a live process (zombies have ended) of process group `group`, descended from this
// process, has the image name `name`: compared case-insensitively with its command name
// (/proc/<pid>/comm) or, for names longer than the 15 characters the kernel keeps there, with
// the file name of its executable.
bool isImageRunningInGroup(const QString& name, pid_t group);

// Collects ended members of `group` that were re-parented to us, so they do not linger as
// zombies. Leaves every other child alone (Qt collects its own).
void reapAdoptedMembers(pid_t group);

// The start time of process `pid` (clock ticks after boot), which tells it from a later process
// given the same pid, and whether it has ended (a zombie not yet collected); nothing when there
// is no process `pid`.
struct ProcessStart {
    unsigned long long startTime = 0;
    bool ended = false;
};
std::optional<ProcessStart> startOf(pid_t pid);

}  // namespace ProcessTable
