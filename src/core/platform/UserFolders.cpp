#include "platform/UserFolders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

namespace UserFolders {

namespace {

QString absoluteFromEnvironment(const char* name) {
    const QString value = qEnvironmentVariable(name);
    return value.startsWith(QLatin1Char('/')) ? QDir::cleanPath(value) : QString();
}

}  // namespace

QString homeFromPasswordDatabase() {
    const passwd* entry = ::getpwuid(::getuid());
    return entry && entry->pw_dir && entry->pw_dir[0] == '/' ? QFile::decodeName(entry->pw_dir)
                                                             : QString();
}

QString home() {
    const QString fromEnvironment = absoluteFromEnvironment("HOME");
    return fromEnvironment.isEmpty() ? homeFromPasswordDatabase() : fromEnvironment;
}

QString config() {
    const QString fromEnvironment = absoluteFromEnvironment("XDG_CONFIG_HOME");
    return fromEnvironment.isEmpty() ? home() + QStringLiteral("/.config") : fromEnvironment;
}

QString music() {
    // Qt builds its answer on $HOME (and the user-dirs file under it): without one it would
    // answer "/Music" or worse.
    if (!absoluteFromEnvironment("HOME").isEmpty()) {
        const QString desktop = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
        if (desktop.startsWith(QLatin1Char('/'))) {
            return desktop;
        }
    }
    return home() + QStringLiteral("/Music");
}

}  // namespace UserFolders
