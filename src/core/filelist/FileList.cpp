#include "filelist/FileList.h"

namespace FileList {

QString ParsePath(const QString& path) {
    const qsizetype cut = path.lastIndexOf(QLatin1Char('/'));
    return cut < 0 ? QString() : path.left(cut + 1);
}

QString formatTag(const QString& path) {
    return path.trimmed().right(3).toUpper();
}

}  // namespace FileList
