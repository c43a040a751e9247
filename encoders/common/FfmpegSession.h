#pragma once

#include "OutputRelay.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class SignalForwarder;

// How one ffmpeg process ended and what it said about the input and its progress.
struct FfmpegRun {
    int startError = 0;  // errno when ffmpeg could not be started; nothing else is set then
    int waitStatus = 0;  // as waitpid() returned it
    std::optional<std::string> firstError;  // reason text of its first error-level line
    std::optional<double> inputSeconds;     // input #0's duration; nullopt if only guessed
    std::optional<double> reachedSeconds;   // output position of its last progress block
};

// Runs one ffmpeg process to its end: relays its output through an OutputRelay while it runs,
// keeps the reader fed with heartbeat time lines, and passes stop signals on.
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

    // Prints "coder: <text>" (with the name set by setProgramName).
    void note(std::string_view text) { m_relay.note(text); }

    // The adapter's own name for its notes and reasons, and how it shows progress (see
    // OutputRelay).
    void setProgramName(std::string name) { m_relay.setProgramName(std::move(name)); }
    const std::string& programName() const { return m_relay.programName(); }
    void setProgressStyle(ProgressStyle style) { m_relay.setProgressStyle(style); }

    // The output was published: shows the conversion as complete.
    void complete() { m_relay.complete(); }

    // The command's cut options, for the duration banner.
    void setInputCut(const InputCut& cut) { m_relay.setInputCut(cut); }

    // Starts `program` with `arguments` and relays until it has ended and been reaped. Stop
    // signals caught by `signals` are passed on to it (and killed after stopGrace). Prints no
    // verdict: that is the caller's, after checking the output. `started` is called once it
    // runs, for work that goes on beside it.
    FfmpegRun run(const std::string& program, const std::vector<std::string>& arguments,
                  SignalForwarder& signals, const std::function<void()>& started = {});

private:
    OutputRelay m_relay;
    Timing m_timing;
};
