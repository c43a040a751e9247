#include "ProcFs.h"

#include <dirent.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

struct StatFields {
    char state = '?';
    pid_t parent = 0;
};

// /proc/PID/stat is "pid (comm) state ppid ...", and comm may hold spaces or parentheses, so
// the fields are read after the last ')'.
std::optional<StatFields> readStat(pid_t pid) {
    std::ifstream stream("/proc/" + std::to_string(pid) + "/stat");
    std::string text;
    if (!std::getline(stream, text)) {
        return std::nullopt;
    }
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos) {
        return std::nullopt;
    }
    std::istringstream rest(text.substr(close + 1));
    StatFields fields;
    rest >> fields.state >> fields.parent;
    if (!rest) {
        return std::nullopt;
    }
    return fields;
}

}  // namespace

std::vector<pid_t> childrenOf(pid_t parent) {
    std::vector<pid_t> children;
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) {
        return children;
    }
    while (const dirent* entry = ::readdir(proc)) {
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || end == nullptr || *end != '\0') {
            continue;
        }
        const std::optional<StatFields> fields = readStat(static_cast<pid_t>(pid));
        if (fields && fields->parent == parent && fields->state != 'Z') {
            children.push_back(static_cast<pid_t>(pid));
        }
    }
    ::closedir(proc);
    return children;
}

std::optional<std::string> commandName(pid_t pid) {
    std::ifstream stream("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    if (!std::getline(stream, name)) {
        return std::nullopt;
    }
    return name;
}

bool processGone(pid_t pid) {
    const std::optional<StatFields> fields = readStat(pid);
    return !fields || fields->state == 'Z' || fields->state == 'X';
}

bool waitUntilGone(pid_t pid, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (!processGone(pid)) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::optional<pid_t> waitForChild(pid_t parent, const std::string& name,
                                  std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until) {
        for (pid_t child : childrenOf(parent)) {
            if (commandName(child) == name) {
                return child;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return std::nullopt;
}
