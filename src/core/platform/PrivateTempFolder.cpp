#include "platform/PrivateTempFolder.h"

#include "platform/RunRecords.h"

#include <QByteArray>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace PrivateTempFolder {

namespace {

bool fail(QString* error, const QString& text) {
    if (error) {
        *error = text;
    }
    return false;
}

// The folder made when the usual place is unsafe; made once per process.
QString& freshFolder() {
    static QString folder;
    return folder;
}

}  // namespace

QString path() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        struct stat st {};
        if (::stat(runtime.constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
            st.st_uid == ::getuid()) {
            return QFile::decodeName(runtime) + QStringLiteral("/vordana");
        }
    }
    return QStringLiteral("/tmp/vordana-%1").arg(::getuid());
}

bool ensureAt(const QString& folder, QString* error) {
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST) {
        return fail(error, QStringLiteral("cannot create %1: %2")
                               .arg(folder, QString::fromLocal8Bit(std::strerror(errno))));
    }
    // lstat, not stat: a symbolic link planted under our name must not be followed.
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        return fail(error, QStringLiteral("cannot inspect %1").arg(folder));
    }
    if (S_ISLNK(st.st_mode)) {
        return fail(error, QStringLiteral("%1 is a symbolic link").arg(folder));
    }
    if (!S_ISDIR(st.st_mode)) {
        return fail(error, QStringLiteral("%1 is not a folder").arg(folder));
    }
    if (st.st_uid != ::getuid()) {
        return fail(error, QStringLiteral("%1 belongs to another user").arg(folder));
    }
    if ((st.st_mode & 0077) != 0 && ::chmod(native.constData(), 0700) != 0) {
        return fail(error, QStringLiteral("cannot make %1 private").arg(folder));
    }
    return true;
}

QString ensure(QString* error) {
    const QString usual = path();
    QString reason;
    if (ensureAt(usual, &reason)) {
        return usual;
    }
    QString& fresh = freshFolder();
    if (!fresh.isEmpty() && ensureAt(fresh)) {
        return fresh;
    }
    // Named after its owner, so that a later run can remove it when the owner died with it.
    QByteArray pattern = QFile::encodeName(QStringLiteral("/tmp/vordana-%1-%2-XXXXXX")
                                               .arg(::getuid())
                                               .arg(RunRecords::tagOf(RunRecords::self())));
    if (::mkdtemp(pattern.data()) == nullptr) {
        fail(error, reason + QStringLiteral("; no private folder can be made instead"));
        return QString();
    }
    fresh = QFile::decodeName(pattern);
    RunRecords::sweepAtExit(fresh);
    std::fprintf(stderr, "vordana: the temporary folder is not safe (%s); using %s instead\n",
                 reason.toLocal8Bit().constData(), pattern.constData());
    return fresh;
}

}  // namespace PrivateTempFolder
