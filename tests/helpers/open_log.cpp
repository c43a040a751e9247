// open_log: a library for LD_PRELOAD that writes down how a program opens one file. Every
// open, openat, fopen (their 64-bit and fortified forms too) of a path that contains
// $VORDANA_OPEN_LOG_MATCH appends a line to the file $VORDANA_OPEN_LOG:
//
//   read-only|writable PROGRAM CALL FLAGS-OR-MODE PATH
//
// Children inherit the preload, so the programs a program runs are logged too (PROGRAM tells
// which). The declarations below must be the plain ones, whatever the build asks for.
#undef _FORTIFY_SOURCE
#undef _FILE_OFFSET_BITS

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using OpenCall = int (*)(const char*, int, ...);
using OpenAtCall = int (*)(int, const char*, int, ...);
using FopenCall = FILE* (*)(const char*, const char*);

template <typename Call>
Call next(const char* name) {
    return reinterpret_cast<Call>(::dlsym(RTLD_NEXT, name));
}

void note(const char* path, bool writable, const char* call, const char* how) {
    const char* wanted = std::getenv("VORDANA_OPEN_LOG_MATCH");
    const char* log = std::getenv("VORDANA_OPEN_LOG");
    if (path == nullptr || wanted == nullptr || *wanted == '\0' || log == nullptr ||
        std::strstr(path, wanted) == nullptr) {
        return;
    }
    const int saved = errno;
    char line[4096];
    const int length =
        std::snprintf(line, sizeof line, "%s %s %s %s %s\n", writable ? "writable" : "read-only",
                      program_invocation_short_name, call, how, path);
    static const OpenCall realOpen = next<OpenCall>("open");
    const int fd = realOpen(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0 && length > 0) {
        const auto size = static_cast<size_t>(length) < sizeof line ? static_cast<size_t>(length)
                                                                    : sizeof line - 1;
        [[maybe_unused]] const ssize_t written = ::write(fd, line, size);
    }
    if (fd >= 0) {
        ::close(fd);
    }
    errno = saved;
}

void noteFlags(const char* path, int flags, const char* call) {
    char how[32];
    std::snprintf(how, sizeof how, "flags=0%o", static_cast<unsigned>(flags));
    note(path, (flags & O_ACCMODE) != O_RDONLY || (flags & (O_TRUNC | O_CREAT)) != 0, call, how);
}

void noteMode(const char* path, const char* mode, const char* call) {
    note(path, mode == nullptr || std::strpbrk(mode, "wa+") != nullptr, call,
         mode != nullptr ? mode : "?");
}

bool takesMode(int flags) {
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

}  // namespace

// The mode is the third argument only when the flags create a file.
#define VORDANA_MODE_ARGUMENT(flags)                             \
    mode_t mode = 0;                                             \
    if (takesMode(flags)) {                                      \
        va_list arguments;                                       \
        va_start(arguments, flags);                              \
        mode = static_cast<mode_t>(va_arg(arguments, unsigned)); \
        va_end(arguments);                                       \
    }

extern "C" {

int open(const char* path, int flags, ...) {
    VORDANA_MODE_ARGUMENT(flags)
    noteFlags(path, flags, "open");
    static const OpenCall real = next<OpenCall>("open");
    return real(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
    VORDANA_MODE_ARGUMENT(flags)
    noteFlags(path, flags, "open64");
    static const OpenCall real = next<OpenCall>("open64");
    return real(path, flags, mode);
}

int openat(int dir, const char* path, int flags, ...) {
    VORDANA_MODE_ARGUMENT(flags)
    noteFlags(path, flags, "openat");
    static const OpenAtCall real = next<OpenAtCall>("openat");
    return real(dir, path, flags, mode);
}

int openat64(int dir, const char* path, int flags, ...) {
    VORDANA_MODE_ARGUMENT(flags)
    noteFlags(path, flags, "openat64");
    static const OpenAtCall real = next<OpenAtCall>("openat64");
    return real(dir, path, flags, mode);
}

// What a program built with _FORTIFY_SOURCE calls for an open without a mode.
int __open_2(const char* path, int flags) {
    noteFlags(path, flags, "__open_2");
    static const OpenCall real = next<OpenCall>("open");
    return real(path, flags);
}

int __open64_2(const char* path, int flags) {
    noteFlags(path, flags, "__open64_2");
    static const OpenCall real = next<OpenCall>("open64");
    return real(path, flags);
}

int __openat_2(int dir, const char* path, int flags) {
    noteFlags(path, flags, "__openat_2");
    static const OpenAtCall real = next<OpenAtCall>("openat");
    return real(dir, path, flags);
}

int __openat64_2(int dir, const char* path, int flags) {
    noteFlags(path, flags, "__openat64_2");
    static const OpenAtCall real = next<OpenAtCall>("openat64");
    return real(dir, path, flags);
}

FILE* fopen(const char* path, const char* mode) {
    noteMode(path, mode, "fopen");
    static const FopenCall real = next<FopenCall>("fopen");
    return real(path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
    noteMode(path, mode, "fopen64");
    static const FopenCall real = next<FopenCall>("fopen64");
    return real(path, mode);
}

}  // extern "C"
