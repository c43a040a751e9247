#pragma once

#include "ArgumentTranslation.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// coder writes the tags of its audio outputs itself, with TagLib, from the source's own tags
// and front cover: ffmpeg's mp3 muxer stores fields it has no ID3 name for as TXXX frames that
// players ignore (Year, Album Artist, Disc from an APE tag), every muxer drops the cover because
// the command says -vn, and each adds its encoder's name. Video outputs keep ffmpeg's own tag
// copying.

// The tags coder writes (TagWriting.h).
enum class TagContainer {
    Id3v2,      // MP3: an ID3v2.4 tag in front of the frames
    Flac,       // Vorbis comments and a PICTURE block
    OggOpus,    // Vorbis comments, the cover as METADATA_BLOCK_PICTURE
    OggVorbis,  // likewise
    Mp4,        // iTunes-style atoms (freeform "----" ones for fields without their own), covr
};

// What goes into the output's tag.
struct TagPlan {
    std::optional<TagContainer> container;  // set when coder writes the tag
    std::string sourcePath;                 // the last -i: its tags and front cover are copied
    // -metadata KEY=VALUE output options in command order, KEY as a TagLib property name
    // (upper case); an empty VALUE removes the field.
    std::vector<std::pair<std::string, std::string>> overrides;
};

// For an MP3, FLAC, Ogg Opus, Ogg Vorbis or M4A output: takes the -metadata output options out
// of ffmpeg's arguments (coder applies them over the source's tags) and tells ffmpeg to copy no
// tag ("-map_metadata -1"; for MP3 also "-id3v2_version 0", no tag at all). A -metadata without
// "=" makes the command unusable (translation.problem). Any other output is left as it is:
// ffmpeg copies tags and applies -metadata itself.
TagPlan planTagCopy(ArgumentTranslation& translation);

// Writes the tag for `plan` into `path` (the finished temporary file); see TagWriting.h.
std::optional<std::string> writeTags(const TagPlan& plan, const std::string& path);
