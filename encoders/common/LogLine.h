#pragma once

#include <string>
#include <string_view>

// The level ffmpeg tags a log line with under "-loglevel level+...". Untagged is a line without
// a tag: the continuation of a multi-line message, or text from outside ffmpeg's logger (the
// dynamic loader, a wrapper script).
enum class LogLevel { Untagged, Panic, Fatal, Error, Warning, Info, Verbose, Debug, Trace };

// One line of ffmpeg's stderr taken apart:
//   "[ape @ 0x55fe0f8c3a00] [warning] packet size is not a multiple of 4."
//    ^contexts              ^level    ^message
// The views point into the text given to parseLogLine.
struct LogLine {
    LogLevel level = LogLevel::Untagged;
    std::string_view contexts;  // "[name @ 0x...] " groups as printed, possibly several or none
    std::string_view message;   // what follows the level tag (the whole line when untagged)

    bool isError() const {
        return level == LogLevel::Panic || level == LogLevel::Fatal || level == LogLevel::Error;
    }
    bool isWarning() const { return level == LogLevel::Warning; }
};

LogLine parseLogLine(std::string_view line);

// The line as relayed: contexts kept, level tag removed.
std::string withoutLevelTag(const LogLine& line);

// True for the input banner's duration line, "[info]   Duration: 00:03:25.47, start: ...": an
// info line without context whose message starts with exactly two spaces, "Duration: ",
// hours:minutes:seconds with a fraction, and a comma. Metadata listings are indented further,
// so a tag value can never pass for it.
bool isDurationBanner(const LogLine& line);

// The message of an error line without contexts or surrounding blanks: the text of
// "coder: conversion failed: <reason>".
std::string errorReason(const LogLine& line);
