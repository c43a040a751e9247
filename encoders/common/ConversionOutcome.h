#pragma once

#include <optional>
#include <string>
#include <string_view>

// What is at the output path once ffmpeg has ended. A symbolic link there is not a written
// file, whatever it points to.
enum class OutputFileState { Missing, Empty, Written };

OutputFileState outputFileState(const std::string& path);

// Exit status coder ends with and, when that is not 0, the reason printed last as
// "coder: conversion failed: <reason>".
struct ConversionOutcome {
    int exitCode = 0;
    std::string reason;
};

inline constexpr int kExitFailed = 1;         // ffmpeg failed, or wrote nothing
inline constexpr int kExitUsage = 2;          // coder was given no arguments
inline constexpr int kExitCannotStart = 127;  // ffmpeg could not be started, as a shell says
// Told to stop by a signal, coder exits with 128 + signal, the status a shell reports for it.

// Success needs both: ffmpeg exited 0 (with -xerror that means the whole input was decoded) and
// the output file exists and is not empty.
//  waitStatus     ffmpeg's status as waitpid() returned it
//  stopSignal     signal that told coder to stop (0 for none); it was passed on to ffmpeg
//  firstError     reason text of ffmpeg's first error-level line, if any
//  program        the adapter's name, for the reason of a stop
ConversionOutcome decideOutcome(int waitStatus, int stopSignal, OutputFileState output,
                                const std::optional<std::string>& firstError,
                                std::string_view program = "coder");
