#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// A file among the user's (an input, a CUE sheet, an image's APE tag, setup.ini), read only when
// it is a regular file. A FIFO blocks an open or a read until some writer comes, a device such
// as /dev/zero never ends, a folder or a socket is no file: those are refused before a byte is
// read, with a plain reason ("not a regular file: a named pipe (FIFO)").
class UserFile {
public:
    // Why `path` cannot be read as a file: the system's word when it is not there, else as
    // notRegular(). Nothing for a regular file (links are followed). Looks only, opens nothing.
    static std::optional<QString> problem(const QString& path);
    // "not a regular file: a named pipe (FIFO)" (a device, a folder, a socket) for a path that
    // is there and no regular file; nothing for a regular file or one that is not there.
    static std::optional<QString> notRegular(const QString& path);

    // Opens `path` for reading (links followed). Opening never waits: it is non-blocking, and
    // what was opened is checked to be a regular file; isOpen() is false otherwise.
    explicit UserFile(const QString& path);
    ~UserFile();
    UserFile(const UserFile&) = delete;
    UserFile& operator=(const UserFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // Why it could not be opened, or why the last read failed.
    const QString& error() const { return m_error; }
    // The size the file system reports when it was opened: where to look for a trailer, never
    // how much to read (files in /proc report 0, a file may grow).
    qint64 size() const { return m_size; }

    // The file from its start, at most `limit` bytes: one byte more is asked for, and when it
    // comes `truncated` says so. Nothing when the file is not open or reading fails.
    std::optional<QByteArray> readAll(qint64 limit, bool* truncated = nullptr);
    // Exactly `length` bytes at `offset`; nothing when the file ends first or reading fails.
    std::optional<QByteArray> readAt(qint64 offset, qint64 length);

private:
    // Up to `length` bytes at `offset` (fewer where the file ends); nothing on a read error.
    std::optional<QByteArray> readUpTo(qint64 offset, qint64 length);

    int m_fd = -1;
    qint64 m_size = 0;
    QString m_error;
};

// Writes the whole of `content` to `fd`, going on after an interrupted or short write; false
// (errno set) when the system refuses.
bool writeFully(int fd, const QByteArray& content);
