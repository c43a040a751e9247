#include "options/SettingsFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

std::optional<QByteArray> readSettingsFile(const QString& path, qint64 limit) {
    // Non-blocking, so that opening a FIFO returns at once instead of waiting for a writer.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray bytes;
    char buffer[8192];
    while (bytes.size() < limit) {
        const auto want = static_cast<size_t>(qMin<qint64>(sizeof buffer, limit - bytes.size()));
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            break;
        }
        bytes.append(buffer, n);
    }
    ::close(fd);
    return bytes;
}

bool writeSettingsFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                         file.write(content) == content.size() && file.flush();
    if (!written) {
        std::fprintf(stderr, "vordana: cannot save %s: %s\n", QFile::encodeName(path).constData(),
                     file.errorString().toLocal8Bit().constData());
    }
    return written;
}
