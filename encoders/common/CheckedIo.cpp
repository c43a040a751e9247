#include "CheckedIo.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <vector>

Descriptor::~Descriptor() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool Descriptor::close() {
    const int fd = m_fd;
    m_fd = -1;
    return ::close(fd) == 0;
}

bool readFully(int fd, char* data, std::size_t count, off_t offset) {
    while (count > 0) {
        const ssize_t n = ::pread(fd, data, count, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO;  // the file got shorter under us
            }
            return false;
        }
        data += n;
        count -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool writeFully(int fd, const char* data, std::size_t count, off_t offset) {
    while (count > 0) {
        const ssize_t n = ::pwrite(fd, data, count, offset);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        data += n;
        count -= static_cast<std::size_t>(n);
        offset += n;
    }
    return true;
}

bool moveTail(int fd, off_t from, off_t end, off_t to) {
    constexpr off_t kChunk = 1 << 20;
    std::vector<char> buffer(static_cast<std::size_t>(std::min(kChunk, end - from)));
    if (to > from) {
        for (off_t position = end; position > from;) {
            const off_t count = std::min(kChunk, position - from);
            position -= count;
            const auto size = static_cast<std::size_t>(count);
            if (!readFully(fd, buffer.data(), size, position) ||
                !writeFully(fd, buffer.data(), size, position + (to - from))) {
                return false;
            }
        }
        return true;
    }
    for (off_t position = from; position < end;) {
        const off_t count = std::min(kChunk, end - position);
        const auto size = static_cast<std::size_t>(count);
        if (!readFully(fd, buffer.data(), size, position) ||
            !writeFully(fd, buffer.data(), size, position - (from - to))) {
            return false;
        }
        position += count;
    }
    return ::ftruncate(fd, end - (from - to)) == 0;
}
