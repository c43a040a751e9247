#include "platform/ProcessTable.h"

#include <QByteArray>
#include <QFile>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cctype>
#include <string>

namespace ProcessTable {

namespace {

std::string readSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::array<char, 512> buffer{};
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    ::close(fd);
    return n > 0 ? std::string(buffer.data(), static_cast<size_t>(n)) : std::string();
}

// The state letter of /proc/<pid>/stat comes after the command name in parentheses; the name
// itself may hold blanks and parentheses, so look for the last ')'.
bool hasEnded(const std::string& procDir) {
    const std::string stat = readSmallFile(procDir + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos || close + 2 >= stat.size()) {
        return true;  // gone while we looked
    }
    const char state = stat[close + 2];
    return state == 'Z' || state == 'X' || state == 'x';
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

bool matches(const std::string& procDir, const std::string& wanted) {
    std::string comm = readSmallFile(procDir + "/comm");
    while (!comm.empty() && (comm.back() == '\n' || comm.back() == '\0')) {
        comm.pop_back();
    }
    if (!comm.empty() && equalsIgnoringCase(comm, wanted)) {
        return true;
    }
    // comm is cut to 15 bytes; a longer name can only be recognised by the executable's path.
    if (wanted.size() < 15) {
        return false;
    }
    std::array<char, 4096> target{};
    const ssize_t n = ::readlink((procDir + "/exe").c_str(), target.data(), target.size() - 1);
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

}  // namespace

bool isImageRunning(const QString& name) {
    if (name.isEmpty()) {
        return false;
    }
    const std::string wanted = QFile::encodeName(name).toStdString();
    DIR* proc = ::opendir("/proc");
    if (!proc) {
        return false;
    }
    bool found = false;
    while (const dirent* entry = ::readdir(proc)) {
        const char* pid = entry->d_name;
        if (*pid < '1' || *pid > '9') {
            continue;
        }
        const std::string dir = std::string("/proc/") + pid;
        if (matches(dir, wanted) && !hasEnded(dir)) {
            found = true;
            break;
        }
    }
    ::closedir(proc);
    return found;
}

}  // namespace ProcessTable
