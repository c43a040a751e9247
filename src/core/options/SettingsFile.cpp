#include "options/SettingsFile.h"

#include "platform/UserFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// A new file beside `path` that nobody else can have opened: created exclusively, not through
// a link. Its descriptor, or -1 with errno set.
int createTemporary(const QString& path, QByteArray& temporary) {
    const QFileInfo info(path);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = QFile::encodeName(info.path() + QStringLiteral("/.%1.%2")
                                                        .arg(info.fileName())
                                                        .arg(QRandomGenerator::global()->generate(),
                                                             8, 16, QLatin1Char('0')));
        const int fd = ::open(temporary.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

}  // namespace

std::optional<QByteArray> readSettingsFile(const QString& path, qint64 limit) {
    return UserFile(path).readAll(limit);
}

bool writeSettingsFile(const QString& path, const QByteArray& content) {
    // Written beside the name and renamed over it: the name is never opened, so a link there is
    // replaced rather than followed, a FIFO cannot block the save, and a reader never sees half
    // a file.
    QByteArray temporary;
    const int fd = createTemporary(path, temporary);
    bool saved = fd >= 0 && writeFully(fd, content) && ::fsync(fd) == 0;
    int error = errno;
    if (fd >= 0 && ::close(fd) != 0 && saved) {
        saved = false;
        error = errno;
    }
    if (saved && ::rename(temporary.constData(), QFile::encodeName(path).constData()) != 0) {
        saved = false;
        error = errno;
    }
    if (!saved) {
        if (fd >= 0) {
            ::unlink(temporary.constData());
        }
        std::fprintf(stderr, "vordana: cannot save %s: %s\n", QFile::encodeName(path).constData(),
                     std::strerror(error));
    }
    return saved;
}
