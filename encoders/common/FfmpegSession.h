#pragma once

#include "OutputRelay.h"

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

// Runs one ffmpeg process to its end: relays its output through an OutputRelay while it runs,
// keeps the reader fed with heartbeat time lines, passes stop signals on, and turns the result
// into coder's exit status.
class FfmpegSession {
public:
    struct Timing {
        // A time line at least this often, repeating the last one while ffmpeg is quiet.
        std::chrono::milliseconds heartbeat{500};
        // How long ffmpeg may take to end after a stop signal was passed on before it is killed.
        std::chrono::milliseconds stopGrace{3000};
    };

    explicit FfmpegSession(OutputRelay::Sink sink, RelayLimits limits = {});
    FfmpegSession(OutputRelay::Sink sink, RelayLimits limits, Timing timing);

    // Prints "coder: <text>".
    void note(std::string_view text) { m_relay.note(text); }

    // Starts `program` with `arguments`, relays until it has ended and been reaped, and
    // returns the exit status for coder: 0 on success, otherwise non-zero after printing
    // "coder: conversion failed: <reason>" as the last line.
    int run(const std::string& program, const std::vector<std::string>& arguments,
            const std::string& outputPath);

private:
    OutputRelay m_relay;
    Timing m_timing;
};
