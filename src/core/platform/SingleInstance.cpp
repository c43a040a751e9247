#include "platform/SingleInstance.h"

#include "platform/PrivateTempFolder.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QLockFile>

SingleInstance::SingleInstance(const QString& programPath) {
    const QString folder = PrivateTempFolder::ensure();
    if (folder.isEmpty()) {
        return;
    }
    // The same program reached through a link or a relative name is still the same program.
    const QFileInfo info(programPath);
    const QString canonical = info.canonicalFilePath();
    const QString key = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    const QByteArray hash =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    m_lock = std::make_unique<QLockFile>(folder + QStringLiteral("/instance-") +
                                         QString::fromLatin1(hash) + QStringLiteral(".lock"));
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
