#pragma once

#include <sys/types.h>
#include <cstddef>

// File access with every error seen: a full disk must fail the conversion, never leave a
// damaged file that looks finished.

// An open file's descriptor, closed on scope exit.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor();
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int fd() const { return m_fd; }
    // Closes now, so that an error the file system reports only on close is seen.
    bool close();

private:
    int m_fd;
};

// Reads exactly `count` bytes at `offset`; false with errno set otherwise (EIO when the file
// ends first).
bool readFully(int fd, char* data, std::size_t count, off_t offset);

// Writes all `count` bytes at `offset`; false with errno set otherwise.
bool writeFully(int fd, const char* data, std::size_t count, off_t offset);

// Moves the bytes [from, end) of the file to start at `to`, in chunks ordered so that no byte
// is overwritten before it has been moved; when they move down, the file is cut after them.
bool moveTail(int fd, off_t from, off_t end, off_t to);
