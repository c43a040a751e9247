#include "filelist/NativeNames.h"

#include "platform/PrivateTempFolder.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <sys/stat.h>
#include <unistd.h>

namespace NativeNames {

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
    // One folder per alias keeps readable names that happen to be equal apart; the process id
    // keeps two copies of the program apart.
    static int counter = 0;
    const QString folder =
        QStringLiteral("%1/names-%2/%3").arg(temporary).arg(::getpid()).arg(++counter);
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
    if (::symlink(nativePath.constData(), QFile::encodeName(alias).constData()) != 0) {
        return QString();
    }
    return alias;
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
