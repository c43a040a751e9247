#pragma once

#include <tbytevector.h>
#include <tpropertymap.h>
#include <tstring.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

// What the output's tag is made of: the source's own tags and front cover, read with TagLib
// (the source only ever opened for reading), with the command's -metadata fields over them.

struct Picture {
    TagLib::ByteVector data;
    TagLib::String mimeType;
    TagLib::String description;
};

struct SourceTags {
    // TagLib property names (upper case). Track and disc numbers carry their totals as
    // "n/total" when there are any.
    TagLib::PropertyMap fields;
    std::optional<Picture> cover;
};

// Reads the tags and front cover of `sourcePath` and applies `overrides` (KEY, VALUE) in order;
// an empty VALUE removes the field. A source whose tags cannot be read (none, or a format
// TagLib does not know) contributes nothing.
SourceTags tagsFor(const std::string& sourcePath,
                   const std::vector<std::pair<std::string, std::string>>& overrides);
