#pragma once

#include <sys/types.h>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

// Process facts read from /proc, for the tests that check no ffmpeg outlives coder.

// Pids of the live processes whose parent is `parent`.
std::vector<pid_t> childrenOf(pid_t parent);

// The process's command name (/proc/PID/comm), nullopt when it is gone.
std::optional<std::string> commandName(pid_t pid);

// True when no such process runs any more: /proc has no entry, or only a zombie is left.
bool processGone(pid_t pid);

// Polls until `pid` is gone or `timeout` passes; returns whether it is gone.
bool waitUntilGone(pid_t pid, std::chrono::milliseconds timeout);

// Polls until `parent` has a child named `name`; returns its pid.
std::optional<pid_t> waitForChild(pid_t parent, const std::string& name,
                                  std::chrono::milliseconds timeout);
