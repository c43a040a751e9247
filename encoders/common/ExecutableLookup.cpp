#include "ExecutableLookup.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cstdlib>

namespace {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::optional<std::string> findExecutable(std::string_view name, std::string_view searchPath) {
    if (name.empty()) {
        return std::nullopt;
    }
    if (name.find('/') != std::string_view::npos) {
        return std::string(name);
    }
    std::size_t start = 0;
    while (start <= searchPath.size()) {
        std::size_t end = searchPath.find(':', start);
        if (end == std::string_view::npos) {
            end = searchPath.size();
        }
        // An empty entry means the current folder.
        const std::string_view folder =
            end > start ? searchPath.substr(start, end - start) : std::string_view(".");
        std::string candidate;
        candidate.reserve(folder.size() + 1 + name.size());
        candidate.append(folder).append("/").append(name);
        if (isExecutableFile(candidate)) {
            return candidate;
        }
        start = end + 1;
    }
    return std::nullopt;
}

FfmpegChoice chooseFfmpeg() {
    FfmpegChoice choice;
    const char* named = std::getenv("VORDANA_FFMPEG");
    choice.requested = named != nullptr && *named != '\0' ? named : "ffmpeg";
    const char* path = std::getenv("PATH");
    choice.path =
        findExecutable(choice.requested, path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
    return choice;
}
