#include "filelist/NativeNames.h"

#include "platform/PrivateTempFolder.h"
#include "platform/RunRecords.h"
#include "text/PrintableText.h"

#include <QDir>
#include <QFile>
#include <QList>
#include <QStringDecoder>

#include <sys/stat.h>
#include <unistd.h>
#include <climits>
#include <utility>

namespace NativeNames {

namespace {

// Alias n (counted from 1): its path, the path its user gave made readable, and that path's
// bytes.
struct Alias {
    QString alias;
    QString user;
    QByteArray native;
};

QList<Alias>& aliases() {
    static QList<Alias> made;
    return made;
}

// `nativePath` from the root: a link's relative target would count from the link's folder.
QByteArray absolutePath(const QByteArray& nativePath) {
    if (nativePath.startsWith('/')) {
        return nativePath;
    }
    char folder[PATH_MAX];
    return ::getcwd(folder, sizeof folder) ? QByteArray(folder) + '/' + nativePath : nativePath;
}

QString readablePath(const QByteArray& nativePath) {
    QStringList parts;
    for (const QByteArray& part : nativePath.split('/')) {
        parts << readableName(part);
    }
    return QDir::cleanPath(parts.join(QLatin1Char('/')));
}

}  // namespace

bool survivesQString(const QByteArray& nativePath) {
    return QFile::encodeName(QFile::decodeName(nativePath)) == nativePath;
}

QString readableName(const QByteArray& nameBytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString asUtf8 = utf8.decode(nameBytes);
    if (!utf8.hasError()) {
        return asUtf8;
    }
    QStringDecoder gb18030("GB18030");
    if (gb18030.isValid()) {
        const QString text = gb18030.decode(nameBytes);
        if (!gb18030.hasError()) {
            return text;
        }
    }
    return asUtf8;  // bad bytes became U+FFFD
}

QString pathFor(const QByteArray& nativePath) {
    if (survivesQString(nativePath)) {
        return QFile::decodeName(nativePath);
    }
    const QString temporary = PrivateTempFolder::ensure();
    if (temporary.isEmpty()) {
        return QString();
    }
    // One folder per alias keeps readable names that happen to be equal apart; the owner's pid
    // and start time keep two copies of the program apart and tell whether the owner still runs.
    const QString folder = RunRecords::ownPath(temporary, QStringLiteral("names")) +
                           QLatin1Char('/') + QString::number(aliases().size() + 1);
    if (!QDir().mkpath(folder)) {
        return QString();
    }
    const qsizetype slash = nativePath.lastIndexOf('/');
    QString name =
        readableName(nativePath.mid(slash + 1)).replace(QLatin1Char('/'), QLatin1Char('_'));
    if (name.isEmpty()) {
        name = QStringLiteral("file");
    }
    const QString alias = folder + QLatin1Char('/') + name;
    const QByteArray target = absolutePath(nativePath);
    if (::symlink(target.constData(), QFile::encodeName(alias).constData()) != 0) {
        return QString();
    }
    aliases().append({alias, readablePath(target), target});
    return alias;
}

QString userPath(const QString& text) {
    const QString marker = QStringLiteral("/names-%1/").arg(RunRecords::tagOf(RunRecords::self()));
    QString shown;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(marker); at >= 0; at = text.indexOf(marker, at + 1)) {
        qsizetype end = at + marker.size();
        while (end < text.size() && text.at(end).isDigit()) {
            ++end;
        }
        const qsizetype index = text.mid(at + marker.size(), end - at - marker.size()).toLongLong();
        if (index < 1 || index > aliases().size()) {
            continue;
        }
        const auto& [alias, user, native] = aliases().at(index - 1);
        const qsizetype start = at - alias.indexOf(marker);
        if (start >= copied && QStringView(text).mid(start).startsWith(alias)) {
            shown += text.mid(copied, start - copied) + user;
            copied = start + alias.size();
        }
    }
    return copied == 0 ? text : shown + text.mid(copied);
}

QString shown(const QString& text) {
    return printable(userPath(text));
}

QByteArray nativePath(const QString& path) {
    for (const Alias& made : std::as_const(aliases())) {
        if (made.alias == path) {
            return made.native;
        }
    }
    return QFile::encodeName(path);
}

QStringList argumentsOf(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        struct stat st {};
        if (i > 0 && !survivesQString(bytes) && ::stat(argv[i], &st) == 0) {
            const QString alias = pathFor(bytes);
            if (!alias.isEmpty()) {
                arguments << alias;
                continue;
            }
        }
        arguments << QFile::decodeName(bytes);
    }
    return arguments;
}

}  // namespace NativeNames
