#pragma once

#include "TagCopy.h"
#include "TagSource.h"

#include <optional>
#include <string>

// Writing the tag of each container coder makes, from the same fields and front cover. Every
// byte goes through checked POSIX calls (CheckedIo.h): TagLib's own file stream ignores what
// fwrite() returns, so a full disk would leave a damaged file that looks tagged.

// Writes `tags` into `path` (the finished temporary file), in place of any tag ffmpeg wrote
// there. An MP3 with nothing to write is left alone. Returns the reason the conversion fails,
// "cannot write the tags: ...", or nullopt.
std::optional<std::string> writeContainerTags(TagContainer container, const SourceTags& tags,
                                              const std::string& path);
