#include "platform/ProgramFiles.h"

#include "platform/UserFolders.h"

#include <QCoreApplication>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Writable for us, and meant to be: root may write anywhere, so a folder without any write
// permission (an installation made read-only) does not count for root either.
bool isWritableFolder(const QString& folder) {
    const QByteArray native = QFile::encodeName(folder);
    struct stat st {};
    return ::access(native.constData(), W_OK) == 0 && ::stat(native.constData(), &st) == 0 &&
           (st.st_mode & 0222) != 0;
}

}  // namespace

ProgramFiles::ProgramFiles(const QString& folder)
    : m_folder(folder.isEmpty() ? runningProgramFolder() : folder),
      m_portable(!QFile::exists(file(QLatin1String(kInstalledMarker))) &&
                 isWritableFolder(m_folder)) {}

QString ProgramFiles::settingsFolder() const {
    if (m_portable) {
        return m_folder;
    }
    return UserFolders::config() + QStringLiteral("/vordana");
}

QString ProgramFiles::defaultOutputFolder() const {
    if (m_portable) {
        return file(QStringLiteral("output"));
    }
    return UserFolders::music() + QStringLiteral("/Vordana");
}

QString ProgramFiles::file(const QString& name) const {
    return m_folder + QLatin1Char('/') + name;
}

QString ProgramFiles::runningProgramFolder() {
    return QCoreApplication::applicationDirPath();
}
