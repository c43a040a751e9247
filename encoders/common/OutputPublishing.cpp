#include "OutputPublishing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

enum class NameState { Free, Reservation, Taken };

NameState nameState(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return errno == ENOENT ? NameState::Free : NameState::Taken;
    }
    return S_ISREG(info.st_mode) && info.st_size == 0 ? NameState::Reservation : NameState::Taken;
}

bool flagRefused(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == ENOTSUP;
}

// Hard links are not everywhere (FAT, exFAT, some network shares).
bool linksRefused(int error) {
    return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == ENOSYS ||
           error == EMLINK;
}

PublishResult failed(const std::string& what, const std::string& path) {
    return {PublishResult::Status::Failed, what + " " + path + ": " + std::strerror(errno)};
}

PublishResult taken(const std::string& outputPath) {
    return {PublishResult::Status::NameTaken, "the output name is taken: " + outputPath};
}

// Takes the name only if nothing has it. Returns 0, or the errno of the last step tried
// (EEXIST when the name is in use).
int moveOntoFreeName(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (!flagRefused(errno)) {
        return errno;
    }
    // The file system (NFS, some FUSE ones) has no exclusive rename; link() fails on an
    // existing name just as well.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (!linksRefused(errno)) {
        return errno;
    }
    // Neither: look, then rename. The program only ever reserves a name before it starts
    // coder, so nothing of its own can take the name in between.
    if (nameState(to) != NameState::Free) {
        return EEXIST;
    }
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

std::string temporaryPathFor(const std::string& outputPath) {
    const std::size_t slash = outputPath.rfind('/');
    if (slash == std::string::npos) {
        return "./." + outputPath + ".part";
    }
    return outputPath.substr(0, slash + 1) + "." + outputPath.substr(slash + 1) + ".part";
}

FileStepResult removeStaleTemporary(const std::string& temporaryPath) {
    if (::unlink(temporaryPath.c_str()) == 0 || errno == ENOENT) {
        return {};
    }
    return {false,
            "cannot remove the old temporary file " + temporaryPath + ": " + std::strerror(errno)};
}

PublishResult publishOutput(const std::string& temporaryPath, const std::string& outputPath) {
    // A rename is only as safe as the data under it: without this a crash right after could
    // leave an empty file under the output name.
    const int fd = ::open(temporaryPath.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return failed("cannot open", temporaryPath);
    }
    const bool synced = ::fsync(fd) == 0 || errno == EINVAL;  // EINVAL: nothing to sync on it
    const int syncError = errno;
    ::close(fd);
    if (!synced) {
        errno = syncError;
        return failed("cannot write to disk", temporaryPath);
    }

    // The name can change hands between the steps (the reservation removed, say); look again
    // a few times rather than give up at once.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int error = moveOntoFreeName(temporaryPath, outputPath);
        if (error == 0) {
            return {};
        }
        if (error != EEXIST) {
            errno = error;
            return failed("cannot move the finished file onto", outputPath);
        }
        switch (nameState(outputPath)) {
            case NameState::Taken:
                return taken(outputPath);
            case NameState::Reservation:
                if (::rename(temporaryPath.c_str(), outputPath.c_str()) == 0) {
                    return {};
                }
                return failed("cannot move the finished file onto", outputPath);
            case NameState::Free:
                break;  // it went away meanwhile; try again
        }
    }
    return taken(outputPath);
}

void discardOutputs(const std::string& temporaryPath, const std::string& outputPath) {
    ::unlink(temporaryPath.c_str());
    if (nameState(outputPath) == NameState::Reservation) {
        ::unlink(outputPath.c_str());
    }
}
