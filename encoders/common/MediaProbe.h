#pragma once

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

// Reads ffprobe's default-format output of the entries probeMedia asks for.
MediaFacts parseProbeOutput(std::string_view output);
