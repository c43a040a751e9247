#pragma once

#include "ArgumentTranslation.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

// coder writes an MP3's tag itself, with TagLib, from the source's own tags and front cover:
// ffmpeg's mp3 muxer stores fields it has no ID3 name for as TXXX frames that players ignore
// (Year, Album Artist, Disc from an APE tag), and drops the cover because the command says -vn.
// Other outputs keep ffmpeg's own tag copying.

// What goes into the MP3's tag.
struct TagPlan {
    bool writesTag = false;  // the output is MP3, so coder writes its tag
    std::string sourcePath;  // the last -i: its tags and front cover are copied
    // -metadata KEY=VALUE output options in command order, KEY as a TagLib property name
    // (upper case); an empty VALUE removes the field.
    std::vector<std::pair<std::string, std::string>> overrides;
};

// For an MP3 output: takes the -metadata output options out of ffmpeg's arguments (coder applies
// them over the source's tags) and tells ffmpeg to write no tag at all ("-map_metadata -1
// -id3v2_version 0"). A -metadata without "=" makes the command unusable (translation.problem).
// Any other output is left as it is: ffmpeg copies tags and applies -metadata itself.
TagPlan planTagCopy(ArgumentTranslation& translation);

// Puts the ID3v2.4 tag for `plan` at the start of `mp3Path` (the finished temporary file),
// replacing any ID3v2 tag already there. A source whose tags cannot be read (none, or a format
// TagLib does not know) just contributes nothing; with nothing at all to write the file is left
// alone. Returns the reason the conversion fails when the tag cannot be written:
// "cannot write the tags: ...".
std::optional<std::string> writeTags(const TagPlan& plan, const std::string& mp3Path);
