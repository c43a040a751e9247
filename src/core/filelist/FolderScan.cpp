#include "filelist/FolderScan.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace {

constexpr int kMaxSubfolders = 200;

bool isApeName(const QString& name) {
    return name.right(4).toUpper() == QLatin1String(".APE");
}

}  // namespace

QString TrimName(const QString& name) {
    qsizetype end = name.size();
    while (end > 0 && (name.at(end - 1) == QChar(0) || name.at(end - 1) == QLatin1Char(' '))) {
        --end;
    }
    return name.left(end);
}

void SearchFolder(const QString& folder, QStringList& list, const std::function<void()>& yield) {
    QDir dir(folder);
    if (!dir.exists()) {
        return;
    }
    QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Unsorted);
    std::stable_sort(entries.begin(), entries.end(), [](const QFileInfo& a, const QFileInfo& b) {
        const int folded = a.fileName().compare(b.fileName(), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a.fileName() < b.fileName();
    });

    QStringList subfolders;
    int subfolderCount = 0;
    for (const QFileInfo& entry : entries) {
        const QString name = TrimName(entry.fileName());
        const QString path = folder + QLatin1Char('/') + name;
        if (entry.isDir()) {
            if (!entry.isSymLink()) {
                ++subfolderCount;
                if (subfolderCount <= kMaxSubfolders) {
                    subfolders << path;
                }
            }
        } else if (entry.exists() && isApeName(name)) {
            list << path;
        }
        if (yield) {
            yield();
            yield();
        }
    }
    for (const QString& subfolder : subfolders) {
        SearchFolder(subfolder, list, yield);
    }
}
