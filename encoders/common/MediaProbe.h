#pragma once

#include "ChildProcess.h"
#include "FrameSize.h"

#include <optional>
#include <string>
#include <string_view>

class SignalForwarder;

// What ffprobe says about a media file: its container and its first video and audio streams.
// Cover pictures (attached pictures) are not video.
struct MediaFacts {
    std::string formatName;  // ffprobe's demuxer names, e.g. "mov,mp4,m4a,3gp,3g2,mj2"
    std::string majorBrand;  // the MP4 family's major brand ("isom", "qt", "3gp4"), else empty
    bool hasVideo = false;
    std::optional<FrameSize> videoSize;
    bool hasAudio = false;
    std::optional<long long> sampleRate;
    std::optional<long long> channels;
    std::string audioCodec;    // ffprobe's codec name, e.g. "flac", "opus", "aac"
    std::string sampleFormat;  // the decoder's sample format, e.g. "s16p", "s32p", "fltp"
};

struct ProbeResult {
    std::optional<MediaFacts> facts;  // nullopt when ffprobe could not read the file
    std::string reason;               // then: ffprobe's own words, or why it did not run
};

// The ffprobe to run: $VORDANA_FFPROBE when set and not empty, otherwise "ffprobe"; looked up
// in $PATH. nullopt when it was not found.
std::optional<std::string> chooseFfprobe();

// Runs `ffprobe` on `file` and waits for it. Stop signals caught by `signals` are passed on to
// it; the caller looks at signals.stopSignal() afterwards.
ProbeResult probeMedia(const std::string& ffprobe, const std::string& file,
                       SignalForwarder& signals);

// ffprobe started now and read later, so that it runs beside ffmpeg. Its output is small
// enough to wait in the pipe. Going away before finish() kills it.
class MediaProbeRun {
public:
    // Starts ffprobe on `file`; when it cannot start, finish() says why.
    void start(const std::string& ffprobe, const std::string& file);
    // Waits for it (passing stop signals on while it runs) and returns what it found.
    ProbeResult finish(SignalForwarder& signals);

private:
    ChildProcess m_child;
    std::string m_ffprobe;
    int m_startError = 0;
};

// Reads ffprobe's default-format output of the entries probeMedia asks for.
MediaFacts parseProbeOutput(std::string_view output);

// Why `facts` are not of a file in the container ffprobe calls `demuxer` (one of the names in
// its list) with a major brand starting with `brandStart`, or nullopt when they are. `what`
// names the container for the reason: "a QuickTime file".
std::optional<std::string> containerProblem(const MediaFacts& facts, std::string_view demuxer,
                                            std::string_view brandStart, std::string_view what);
