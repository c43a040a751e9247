#pragma once

#include <optional>
#include <string>
#include <string_view>

// Where `name` would be run from: a name with a slash as it is, otherwise the first executable
// regular file of that name in the colon-separated `searchPath` (an empty entry means the
// current folder). nullopt when there is none.
std::optional<std::string> findExecutable(std::string_view name, std::string_view searchPath);

// The ffmpeg to run: $VORDANA_FFMPEG when set and not empty (tests point it at stand-ins),
// otherwise "ffmpeg"; looked up in $PATH.
struct FfmpegChoice {
    std::string requested;            // the name as given, for messages
    std::optional<std::string> path;  // nullopt when it was not found
};
FfmpegChoice chooseFfmpeg();
