#include "conversion/GetFile.h"

QString GetFileName(const QString& path, QChar separator) {
    if (path.isEmpty()) {
        return {};
    }
    // Only the separator splits: a drive letter's ':' stays part of the name ("c:b.ape").
    const qsizetype cut = path.lastIndexOf(separator);
    return cut < 0 ? path : path.mid(cut + 1);
}

QString GetBaseName(const QString& path, QChar separator) {
    if (path.isEmpty()) {
        return {};
    }
    // Cut at the FIRST dot, so "live.2010.ape" names its output "live".
    const QString fileName = GetFileName(path, separator);
    const qsizetype dot = fileName.indexOf(QLatin1Char('.'));
    return dot < 0 ? fileName : fileName.left(dot);
}
