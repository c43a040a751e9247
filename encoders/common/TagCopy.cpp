#include "TagCopy.h"

#include "TagSource.h"
#include "TagWriting.h"

#include <string_view>

namespace {

bool isMetadataOption(std::string_view argument) {
    return argument == "-metadata" || argument == "-metadata:g";
}

std::string upperAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

// The tag coder writes for an output of `muxer` made by `encoder` (empty: ffmpeg's default for
// the muxer), or nullopt where ffmpeg keeps copying tags.
std::optional<TagContainer> tagContainer(std::string_view muxer, std::string_view encoder) {
    const bool opus = encoder == "libopus" || encoder == "opus";
    if (muxer == "mp3") {
        return TagContainer::Id3v2;
    }
    if (muxer == "flac") {
        return TagContainer::Flac;
    }
    if (muxer == "opus" || (muxer == "ogg" && opus)) {
        return TagContainer::OggOpus;
    }
    if (muxer == "ogg" && (encoder.empty() || encoder == "libvorbis" || encoder == "vorbis")) {
        return TagContainer::OggVorbis;
    }
    if (muxer == "ipod") {
        return TagContainer::Mp4;
    }
    return std::nullopt;
}

}  // namespace

TagPlan planTagCopy(ArgumentTranslation& translation) {
    TagPlan plan;
    std::vector<std::string>& arguments = translation.ffmpegArguments;
    if (translation.problem || arguments.empty()) {
        return plan;
    }
    plan.container = tagContainer(translation.muxer, translation.audioEncoder);
    if (!plan.container) {
        return plan;
    }

    // The output options follow the last "-i INPUT"; the last argument is the output file.
    const std::size_t last = arguments.size() - 1;
    std::size_t outputOptions = 0;
    for (std::size_t i = 0; i + 1 < last; ++i) {
        if (arguments[i] == "-i") {
            plan.sourcePath = arguments[i + 1];
            outputOptions = i + 2;
        }
    }
    std::vector<std::string> kept(arguments.begin(),
                                  arguments.begin() + static_cast<std::ptrdiff_t>(outputOptions));
    for (std::size_t i = outputOptions; i < last; ++i) {
        if (!isMetadataOption(arguments[i])) {
            kept.push_back(arguments[i]);
            continue;
        }
        const std::string value = i + 1 < last ? arguments[++i] : std::string();
        const std::size_t equals = value.find('=');
        if (equals == std::string::npos || equals == 0) {
            translation.problem = "-metadata needs KEY=VALUE, not \"" + value + "\"";
            return plan;
        }
        plan.overrides.emplace_back(upperAscii(value.substr(0, equals)), value.substr(equals + 1));
    }
    // No tag from ffmpeg: coder writes the whole tag itself, so no frame of ffmpeg's (its
    // TXXX:Year, TXXX:Album Artist, its encoder's name) is left behind.
    kept.insert(kept.end(), {"-map_metadata", "-1"});
    if (*plan.container == TagContainer::Id3v2) {
        kept.insert(kept.end(), {"-id3v2_version", "0"});
    }
    kept.push_back(arguments[last]);
    arguments = std::move(kept);
    return plan;
}

std::optional<std::string> writeTags(const TagPlan& plan, const std::string& path) {
    if (!plan.container) {
        return std::nullopt;
    }
    return writeContainerTags(*plan.container, tagsFor(plan.sourcePath, plan.overrides), path);
}
