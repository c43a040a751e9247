#include "options/SettingsFile.h"

#include "platform/UserFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>

std::optional<QByteArray> readSettingsFile(const QString& path, qint64 limit) {
    return UserFile(path).readAll(limit);
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
