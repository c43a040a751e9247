#include "ConversionOutcome.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <cstring>

namespace {

std::string signalText(int signal) {
    std::string text = "signal " + std::to_string(signal);
    if (const char* name = strsignal(signal)) {
        text += " (";
        text += name;
        text += ")";
    }
    return text;
}

}  // namespace

OutputFileState outputFileState(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return OutputFileState::Missing;
    }
    return info.st_size > 0 ? OutputFileState::Written : OutputFileState::Empty;
}

ConversionOutcome decideOutcome(int waitStatus, int stopSignal, OutputFileState output,
                                const std::optional<std::string>& firstError,
                                std::string_view program) {
    if (stopSignal > 0) {
        return {128 + stopSignal,
                std::string(program) + " was stopped by " + signalText(stopSignal)};
    }
    if (WIFSIGNALED(waitStatus)) {
        return {kExitFailed, "ffmpeg was ended by " + signalText(WTERMSIG(waitStatus))};
    }
    const int status = WIFEXITED(waitStatus) ? WEXITSTATUS(waitStatus) : -1;
    if (status != 0) {
        if (firstError) {
            return {kExitFailed, *firstError};
        }
        return {kExitFailed, "ffmpeg exited with status " + std::to_string(status)};
    }
    switch (output) {
        case OutputFileState::Missing:
            return {kExitFailed, "no output file was written"};
        case OutputFileState::Empty:
            return {kExitFailed, "the output file is empty"};
        case OutputFileState::Written:
            break;
    }
    return {0, {}};
}
