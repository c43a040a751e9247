#pragma once

#include <string_view>

// Writes `text` and a line feed to `fd` with a single write() where the pipe takes it whole, so
// the reader gets each line at once and never half of one. No stdio buffering. Write errors
// are ignored: a reader that went away must not stop the conversion.
void writeLine(int fd, std::string_view text);

// Opens /dev/null on any of descriptors 0, 1 and 2 that is closed, so pipes created later can
// never land on them.
void ensureStandardDescriptors();
