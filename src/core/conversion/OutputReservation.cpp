#include "conversion/OutputReservation.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

void OutputReservation::removeRegularFile(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode)) {
        ::unlink(native.constData());
    }
}

OutputReservation::Outcome OutputReservation::reserve(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd =
        ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST) {
            return Outcome::Taken;
        }
        m_error = QStringLiteral("cannot create %1: %2")
                      .arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return Outcome::Failed;
    }
    struct stat st {};
    ::fstat(fd, &st);
    ::close(fd);
    m_path = path;
    m_device = st.st_dev;
    m_inode = st.st_ino;
    m_record.noteReserved({native, QFile::encodeName(partialPath(path)), m_device, m_inode});
    return Outcome::Reserved;
}

void OutputReservation::keep() {
    m_path.clear();
    m_record.remove();
}

void OutputReservation::release() {
    // The files first, then their record: a run that dies between the two leaves a record of
    // files that are gone, never files without a record.
    if (!m_path.isEmpty()) {
        removeRegularFile(partialPath(m_path));
        const QByteArray native = QFile::encodeName(m_path);
        struct stat st {};
        if (::lstat(native.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_dev == m_device &&
            st.st_ino == m_inode) {
            ::unlink(native.constData());
        }
        m_path.clear();
    }
    m_record.remove();
}

QString OutputReservation::partialPath(const QString& outputPath) {
    const qsizetype slash = outputPath.lastIndexOf(QLatin1Char('/'));
    return outputPath.left(slash + 1) + QLatin1Char('.') + outputPath.mid(slash + 1) +
           QStringLiteral(".part");
}
