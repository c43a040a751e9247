#include "platform/SingleInstance.h"

#include "platform/PrivateTempFolder.h"
#include "platform/UserFolders.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>

namespace {

// A folder made by the system for this user alone (logind's runtime folder).
QString systemRuntimeFolder() {
    const QString folder = QStringLiteral("/run/user/%1").arg(::getuid());
    struct stat st {};
    if (::lstat(QFile::encodeName(folder).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
        st.st_uid == ::getuid() && (st.st_mode & 0077) == 0) {
        return folder;
    }
    return QString();
}

}  // namespace

QString SingleInstance::lockFolder() {
    const QString runtime = systemRuntimeFolder();
    if (!runtime.isEmpty() && PrivateTempFolder::ensureAt(runtime + QStringLiteral("/vordana"))) {
        return runtime + QStringLiteral("/vordana");
    }
    const QString home = UserFolders::homeFromPasswordDatabase();
    if (!home.isEmpty() && QDir().mkpath(home + QStringLiteral("/.cache")) &&
        PrivateTempFolder::ensureAt(home + QStringLiteral("/.cache/vordana"))) {
        return home + QStringLiteral("/.cache/vordana");
    }
    std::fputs(
        "vordana: no private folder for the single-instance lock; using the temporary "
        "folder\n",
        stderr);
    return PrivateTempFolder::ensure();
}

SingleInstance::SingleInstance(const QString& programPath) {
    // The same program reached through a link or a relative name is still the same program.
    const QFileInfo info(programPath);
    const QString canonical = info.canonicalFilePath();
    const QString path = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    m_key = QString::fromLatin1(
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
    const QString folder = lockFolder();
    if (folder.isEmpty()) {
        return;
    }
    m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/instance-") + m_key +
                                         QStringLiteral(".lock"));
    m_socketPath = folder + QStringLiteral("/instance-") + m_key + QStringLiteral(".socket");
    // Never stale by age: a conversion can run for hours without touching the lock. A lock
    // whose process has died is still taken over, which is what a crash leaves behind.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::isFirst() {
    if (!m_lock) {
        return true;
    }
    if (m_lock->isLocked() || m_lock->tryLock(0)) {
        return true;
    }
    return m_lock->error() != QLockFile::LockFailedError;
}
