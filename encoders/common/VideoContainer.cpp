#include "VideoContainer.h"

#include <array>

namespace {

// mpeg4 rather than H.264 in the MP4 family: ffmpeg's own encoder, in every build, fast, and
// played by every player that takes these files. AAC is the family's own audio.
constexpr std::array<VideoContainer, 6> kContainers = {{
    {"rm", "RealMedia", "rm", "", "rv10", "ac3"},
    {"mov", "QuickTime", "mov", "qt", "mpeg4", "aac"},
    {"mp4", "MP4", "mp4", "iso", "mpeg4", "aac"},
    {"3gp", "3GP", "3gp", "3g", "mpeg4", "aac"},
    {"avi", "AVI", "avi", "", "mpeg4", "libmp3lame"},
    {"mpeg", "MPEG program stream", "mpeg", "", "mpeg1video", "mp2"},
}};

}  // namespace

std::optional<VideoContainer> videoContainer(std::string_view muxer) {
    for (const VideoContainer& container : kContainers) {
        if (container.muxer == muxer) {
            return container;
        }
    }
    return std::nullopt;
}

std::optional<std::string> videoOutputProblem(const MediaFacts& facts,
                                              const VideoExpectation& expected) {
    if (const std::optional<VideoContainer> container = videoContainer(expected.muxer)) {
        if (std::optional<std::string> problem =
                containerProblem(facts, container->demuxer, container->brandStart,
                                 "a " + std::string(container->name) + " file")) {
            return problem;
        }
    }
    if (!facts.hasVideo) {
        return std::string("the output holds no video stream");
    }
    if (expected.size && facts.videoSize != expected.size) {
        return "the output's picture is " +
               (facts.videoSize ? formatFrameSize(*facts.videoSize) : std::string("of no size")) +
               ", not " + formatFrameSize(*expected.size);
    }
    return std::nullopt;
}
