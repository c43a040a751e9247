#include "filelist/FolderScan.h"

#include "filelist/NativeNames.h"

#include <QByteArray>
#include <QFile>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

bool hasExtension(const QByteArray& name, const QList<QByteArray>& extensions) {
    const QByteArray lower = name.toLower();
    for (const QByteArray& extension : extensions) {
        if (lower.size() > extension.size() && lower.endsWith(extension) &&
            lower.at(lower.size() - extension.size() - 1) == '.') {
            return true;
        }
    }
    return false;
}

struct Entry {
    QByteArray name;
    QString sortKey;
    bool folder = false;
};

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

void search(const QByteArray& folder, QStringList& list, const std::function<void()>& yield,
            const QList<QByteArray>& extensions) {
    DIR* dir = ::opendir(folder.constData());
    if (!dir) {
        return;
    }
    std::vector<Entry> entries;
    while (const dirent* item = ::readdir(dir)) {
        const QByteArray name(item->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        const QByteArray path = folder + '/' + name;
        struct stat st {};
        // lstat: a link to a folder is not followed; a link to a file counts when its file is
        // there.
        if (::lstat(path.constData(), &st) != 0) {
            continue;
        }
        Entry entry{name, NativeNames::readableName(name), S_ISDIR(st.st_mode)};
        if (S_ISLNK(st.st_mode)) {
            struct stat target {};
            if (::stat(path.constData(), &target) != 0 || S_ISDIR(target.st_mode)) {
                continue;
            }
        }
        entries.push_back(std::move(entry));
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return naturalLess(a.sortKey, b.sortKey); });

    std::vector<QByteArray> subfolders;
    for (const Entry& entry : entries) {
        const QByteArray path = folder + '/' + entry.name;
        if (entry.folder) {
            subfolders.push_back(path);
        } else if (hasExtension(entry.name, extensions)) {
            const QString usable = NativeNames::pathFor(path);
            if (!usable.isEmpty()) {
                list << usable;
            }
        }
        if (yield) {
            yield();
            yield();
        }
    }
    for (const QByteArray& subfolder : subfolders) {
        search(subfolder, list, yield, extensions);
    }
}

}  // namespace

bool naturalLess(const QString& a, const QString& b) {
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            qsizetype ei = i;
            qsizetype ej = j;
            while (ei < a.size() && isDigit(a[ei])) {
                ++ei;
            }
            while (ej < b.size() && isDigit(b[ej])) {
                ++ej;
            }
            // Compare the values without converting: leading zeros off, then length, then digits.
            qsizetype si = i;
            qsizetype sj = j;
            while (si + 1 < ei && a[si] == QLatin1Char('0')) {
                ++si;
            }
            while (sj + 1 < ej && b[sj] == QLatin1Char('0')) {
                ++sj;
            }
            if (ei - si != ej - sj) {
                return ei - si < ej - sj;
            }
            const int digits =
                QStringView(a).sliced(si, ei - si).compare(QStringView(b).sliced(sj, ej - sj));
            if (digits != 0) {
                return digits < 0;
            }
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a[i].toCaseFolded();
        const QChar cb = b[j].toCaseFolded();
        if (ca != cb) {
            return ca < cb;
        }
        ++i;
        ++j;
    }
    if (a.size() - i != b.size() - j) {
        return a.size() - i < b.size() - j;
    }
    return a < b;
}

void SearchFolder(const QString& folder, QStringList& list, const std::function<void()>& yield,
                  const QStringList& extensions) {
    QList<QByteArray> lowered;
    for (const QString& extension : extensions) {
        lowered << extension.toLower().toUtf8();
    }
    search(QFile::encodeName(folder), list, yield, lowered);
}
