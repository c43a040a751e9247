#pragma once

#include "FrameSize.h"
#include "MediaProbe.h"

#include <optional>
#include <string>
#include <string_view>

// The containers the video adapters write, by ffmpeg muxer: how to recognise one of their files
// in ffprobe's answer, and codecs that ffmpeg can put in them and that players play from them.
struct VideoContainer {
    std::string_view muxer;
    std::string_view name;        // for reasons: "RealMedia"
    std::string_view demuxer;     // one of ffprobe's format names for such a file
    std::string_view brandStart;  // the MP4 family tells its members apart by the major brand
    std::string_view videoCodec;  // used when the command names none
    std::string_view audioCodec;
};

// nullopt for a muxer that is not one of them (audio formats among others).
std::optional<VideoContainer> videoContainer(std::string_view muxer);

// What a finished video output must be.
struct VideoExpectation {
    std::string muxer;
    std::optional<FrameSize> size;  // when the command set the picture size
};

// Why a finished file (as ffprobe saw it) is not what was asked for, or nullopt when it is: the
// container, a video stream, and the picture size when one was asked for.
std::optional<std::string> videoOutputProblem(const MediaFacts& facts,
                                              const VideoExpectation& expected);
