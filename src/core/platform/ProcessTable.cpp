#include "platform/ProcessTable.h"

#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <cstdlib>
#include <string>
#include <unordered_map>
#include <vector>

namespace ProcessTable {

namespace {

std::string readSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::array<char, 1024> buffer{};
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

struct Entry {
    pid_t pid = 0;
    pid_t parent = 0;
    pid_t group = 0;
    char state = '?';
    unsigned long long startTime = 0;
    std::string comm;
};

// /proc/<pid>/stat: "pid (comm) state ppid pgrp ... starttime ...". The command name may hold
// blanks and parentheses, so the fields after it are found from the last ')'.
bool readEntry(pid_t pid, Entry* entry) {
    const std::string stat = readSmallFile("/proc/" + std::to_string(pid) + "/stat");
    const size_t open = stat.find('(');
    const size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close + 2 >= stat.size()) {
        return false;  // gone while we looked
    }
    entry->pid = pid;
    entry->comm = stat.substr(open + 1, close - open - 1);
    entry->state = stat[close + 2];
    char* end = nullptr;
    const char* rest = stat.c_str() + close + 3;
    entry->parent = static_cast<pid_t>(std::strtol(rest, &end, 10));
    entry->group = static_cast<pid_t>(std::strtol(end, &end, 10));
    // Fields 6 to 21, then the start time.
    for (int field = 6; field <= 22; ++field) {
        entry->startTime = std::strtoull(end, &end, 10);
    }
    return true;
}

std::vector<Entry> snapshot() {
    std::vector<Entry> entries;
    DIR* proc = ::opendir("/proc");
    if (!proc) {
        return entries;
    }
    while (const dirent* item = ::readdir(proc)) {
        const char* name = item->d_name;
        if (*name < '1' || *name > '9') {
            continue;
        }
        Entry entry;
        if (readEntry(static_cast<pid_t>(std::atol(name)), &entry)) {
            entries.push_back(std::move(entry));
        }
    }
    ::closedir(proc);
    return entries;
}

bool hasEnded(char state) {
    return state == 'Z' || state == 'X' || state == 'x';
}

bool hasEnded(const Entry& entry) {
    return hasEnded(entry.state);
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool hasImageName(const Entry& entry, const std::string& wanted) {
    if (equalsIgnoringCase(entry.comm, wanted)) {
        return true;
    }
    // comm is cut to 15 bytes; a longer name can only be recognised by the executable's path.
    if (wanted.size() < 15) {
        return false;
    }
    std::array<char, 4096> target{};
    const std::string link = "/proc/" + std::to_string(entry.pid) + "/exe";
    const ssize_t n = ::readlink(link.c_str(), target.data(), target.size() - 1);
    if (n <= 0) {
        return false;
    }
    std::string exe(target.data(), static_cast<size_t>(n));
    const std::string deleted = " (deleted)";
    if (exe.size() > deleted.size() && exe.ends_with(deleted)) {
        exe.resize(exe.size() - deleted.size());
    }
    const size_t slash = exe.rfind('/');
    return equalsIgnoringCase(slash == std::string::npos ? exe : exe.substr(slash + 1), wanted);
}

// Members of `group` whose chain of parents reaches this process.
std::vector<Entry> ourMembers(pid_t group) {
    const std::vector<Entry> all = snapshot();
    std::unordered_map<pid_t, pid_t> parentOf;
    for (const Entry& entry : all) {
        parentOf[entry.pid] = entry.parent;
    }
    const pid_t self = ::getpid();
    std::vector<Entry> members;
    for (const Entry& entry : all) {
        if (entry.group != group || group <= 0) {
            continue;
        }
        pid_t at = entry.parent;
        for (int depth = 0; depth < 64 && at > 1 && at != self; ++depth) {
            const auto up = parentOf.find(at);
            at = up == parentOf.end() ? 0 : up->second;
        }
        if (at == self) {
            members.push_back(entry);
        }
    }
    return members;
}

}  // namespace

void becomeChildSubreaper() {
    ::prctl(PR_SET_CHILD_SUBREAPER, 1);
}

bool isImageRunningInGroup(const QString& name, pid_t group) {
    if (name.isEmpty()) {
        return false;
    }
    const std::string wanted = QFile::encodeName(name).toStdString();
    for (const Entry& entry : ourMembers(group)) {
        if (!hasEnded(entry) && hasImageName(entry, wanted)) {
            return true;
        }
    }
    return false;
}

void reapAdoptedMembers(pid_t group) {
    const pid_t self = ::getpid();
    for (const Entry& entry : ourMembers(group)) {
        if (entry.parent == self && entry.pid != group && hasEnded(entry)) {
            int status = 0;
            ::waitpid(entry.pid, &status, WNOHANG);
        }
    }
}

std::optional<ProcessStart> startOf(pid_t pid) {
    Entry entry;
    if (pid <= 0 || !readEntry(pid, &entry)) {
        return std::nullopt;
    }
    return ProcessStart{entry.startTime, hasEnded(entry)};
}

}  // namespace ProcessTable
