#pragma once

#include "InputCut.h"
#include "LogLine.h"
#include "ProgressReader.h"
#include "StatusLine.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

// How much of ffmpeg's chatter gets through. The program's console runner reads at most 1024
// bytes every 50 ms, so a damaged file that makes ffmpeg warn thousands of times must not flood
// it; error lines matter more and get a larger share.
struct RelayLimits {
    int warningLines = 20;
    int errorLines = 50;
    std::size_t lineBytes = 400;  // longer relayed lines are cut (at a UTF-8 character boundary)
};

// How progress is shown.
enum class ProgressStyle {
    Ffmpeg,    // the duration banner and "time=" lines (coder, coder2)
    Mencoder,  // status lines with a percentage and no banner (conv; see StatusLine.h)
};

// Decides what coder prints from ffmpeg's output, line by line:
// - the first input banner "  Duration: HH:MM:SS.ff, ..." line, once (with the length of the
//   cut instead of the input's when the command cuts the input);
// - "time=S.SS speed=Nx" per progress block with a known time, and the last one again on
//   heartbeat();
// - warning and error lines without their level tag, up to the limits;
// - nothing else (every other info line is dropped).
// Every printed line goes to the sink, without line terminator.
class OutputRelay {
public:
    using Sink = std::function<void(std::string_view)>;

    explicit OutputRelay(Sink sink, RelayLimits limits = {});

    // One line of ffmpeg's stderr.
    void logLine(std::string_view line);

    // One line of ffmpeg's stdout (the -progress blocks). Returns true when it printed a time
    // line.
    bool progressLine(std::string_view line);

    // Prints the last time line again ("time=0.00" before any), so the reader sees progress at
    // least every half second even while ffmpeg is quiet.
    void heartbeat();

    // Prints "coder: <text>" (with the name set by setProgramName).
    void note(std::string_view text);

    // The adapter's own name, which starts its notes; "coder" unless set.
    void setProgramName(std::string name) { m_programName = std::move(name); }
    const std::string& programName() const { return m_programName; }

    // Ffmpeg unless set. In the Mencoder style the banner is still read, for the percentage.
    void setProgressStyle(ProgressStyle style);

    // The conversion is complete: in the Mencoder style, prints the last status line at 100 %.
    void complete();

    // Says how many warning and error lines were left out, if any.
    void finish();

    // Reason text of the first error-level line, when there was one.
    const std::optional<std::string>& firstError() const { return m_firstError; }

    bool sawDuration() const { return m_sawDuration; }

    // The cut options of the command, so the banner announces the length actually converted.
    void setInputCut(const InputCut& cut) { m_cut = cut; }

    // The whole input's duration from the first banner; nullopt without one (or "N/A").
    std::optional<double> inputSeconds() const { return m_inputSeconds; }

    // ffmpeg warned that it guessed a duration from the bit rate (an MP3 without a VBR header,
    // say): the banner may then be off by far more than the output's length is.
    bool durationEstimated() const { return m_durationEstimated; }

    // The output position of the last progress block with a known time: where the conversion
    // got to (the "progress=end" block's when it ends normally).
    std::optional<double> reachedSeconds() const { return m_reachedSeconds; }

private:
    void relay(const LogLine& line, LogLevel kind);
    void announceDuration(const LogLine& line);
    void print(std::string_view line);

    Sink m_sink;
    RelayLimits m_limits;
    ProgressReader m_progress;
    std::string m_lastTimeLine = "time=0.00";
    std::optional<std::string> m_firstError;
    InputCut m_cut;
    std::optional<double> m_inputSeconds;
    std::optional<double> m_reachedSeconds;
    LogLevel m_previousLevel = LogLevel::Untagged;
    bool m_sawTaggedLine = false;
    bool m_sawDuration = false;
    bool m_durationEstimated = false;
    int m_warningsShown = 0;
    int m_warningsLeftOut = 0;
    int m_errorsShown = 0;
    int m_errorsLeftOut = 0;
    std::string m_programName = "coder";
    ProgressStyle m_style = ProgressStyle::Ffmpeg;
    StatusFigures m_lastFigures;
};

// Cuts `text` to at most `maxBytes` bytes without splitting a UTF-8 sequence, marking the cut
// with "...".
std::string shortenLine(std::string_view text, std::size_t maxBytes);
