#include "platform/UserFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

std::optional<QString> kindProblem(mode_t mode) {
    if (S_ISREG(mode)) {
        return std::nullopt;
    }
    const char* kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe (FIFO)"
                       : S_ISSOCK(mode)                 ? "a socket"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                                                        : "not a plain file";
    return QStringLiteral("not a regular file: %1").arg(QLatin1String(kind));
}

}  // namespace

std::optional<QString> UserFile::problem(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return systemError(errno);
    }
    return kindProblem(st.st_mode);
}

std::optional<QString> UserFile::notRegular(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) {
        return std::nullopt;
    }
    return kindProblem(st.st_mode);
}

UserFile::UserFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    // A look first: opening some devices does something by itself (a tape rewinds).
    if (const auto refused = problem(path)) {
        m_error = *refused;
        return;
    }
    // Non-blocking, so that a FIFO put in the file's place since the look opens at once
    // instead of waiting for a writer; fstat then tells what was really opened.
    int fd = -1;
    do {
        fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        m_error = systemError(errno);
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        m_error = systemError(errno);
        ::close(fd);
        return;
    }
    if (const auto refused = kindProblem(st.st_mode)) {
        m_error = *refused;
        ::close(fd);
        return;
    }
    m_fd = fd;
    m_size = st.st_size;
}

UserFile::~UserFile() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

std::optional<QByteArray> UserFile::readUpTo(qint64 offset, qint64 length) {
    if (m_fd < 0 || offset < 0) {
        return std::nullopt;
    }
    QByteArray bytes;
    while (bytes.size() < length) {
        // Grown as it fills, so a limit far above what is there costs nothing.
        const qint64 chunk = qMin<qint64>(length - bytes.size(), 64 * 1024);
        const qsizetype at = bytes.size();
        bytes.resize(at + chunk);
        const ssize_t n = ::pread(m_fd, bytes.data() + at, static_cast<size_t>(chunk),
                                  static_cast<off_t>(offset + at));
        if (n < 0 && errno == EINTR) {
            bytes.resize(at);
            continue;
        }
        if (n < 0) {
            m_error = systemError(errno);
            return std::nullopt;
        }
        bytes.resize(at + n);
        if (n == 0) {
            break;
        }
    }
    return bytes;
}

std::optional<QByteArray> UserFile::readAll(qint64 limit, bool* truncated) {
    std::optional<QByteArray> bytes = readUpTo(0, limit + 1);
    const bool more = bytes && bytes->size() > limit;
    if (more) {
        bytes->truncate(limit);
    }
    if (truncated) {
        *truncated = more;
    }
    return bytes;
}

std::optional<QByteArray> UserFile::readAt(qint64 offset, qint64 length) {
    std::optional<QByteArray> bytes = readUpTo(offset, length);
    if (bytes && bytes->size() != length) {
        return std::nullopt;
    }
    return bytes;
}

bool writeFully(int fd, const QByteArray& content) {
    for (qsizetype done = 0; done < content.size();) {
        const ssize_t wrote =
            ::write(fd, content.constData() + done, static_cast<size_t>(content.size() - done));
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            errno = wrote == 0 ? EIO : errno;
            return false;
        }
        done += wrote;
    }
    return true;
}
