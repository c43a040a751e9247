#include "filelist/InputGathering.h"

#include "cue/CueReader.h"
#include "cue/TrackCut.h"
#include "filelist/FolderScan.h"
#include "platform/UserFile.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>

namespace {

bool hasSuffix(const QString& path, const char* suffix) {
    return path.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
}

QString canonical(const QString& path) {
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? path : resolved;
}

// A FIFO, a device, a folder or a socket is never read (a FIFO would block, /dev/zero never
// ends): it gives a problem. False then.
bool isReadable(Gathered& gathered, const QString& path) {
    if (const auto problem = UserFile::notRegular(path)) {
        gathered.problems.append({path, *problem});
        return false;
    }
    return true;
}

void addTracks(Gathered& gathered, const CueTrackTable& table) {
    for (const TrackCut& cut : trackCuts(table)) {
        auto track = std::make_shared<const TrackCut>(cut);
        gathered.items.append(FileQueue::Item{track->label(), track, QString()});
    }
}

// The images a table cuts, each once, in the sheet's order.
QStringList imagesOf(const CueTrackTable& table) {
    QStringList images;
    for (const CueTrack& track : table.tracks) {
        if (!images.contains(track.image)) {
            images << track.image;
        }
    }
    return images;
}

// A sheet's table; nothing, with a problem noted, when it cannot be read.
std::optional<CueTrackTable> readSheet(Gathered& gathered, const QString& cuePath,
                                       const GatherOptions& options) {
    QString error;
    auto table = CueReader::readFile(cuePath, options.cueEncoding, &error);
    if (!table) {
        gathered.problems.append({cuePath, error});
        return table;
    }
    // Lines skipped, bytes replaced, numbering that skips: the sheet is used, and the user told.
    for (const QString& warning : table->warnings) {
        gathered.warnings << cuePath + QStringLiteral(": ") + warning;
    }
    return table;
}

// The sheet's tracks, or its images whole.
void addSheet(Gathered& gathered, const CueTrackTable& table, const GatherOptions& options) {
    if (options.splitImages) {
        addTracks(gathered, table);
        return;
    }
    for (const QString& image : imagesOf(table)) {
        gathered.items.append(FileQueue::Item{image, nullptr, QString()});
    }
}

// An image on its own: its tracks when its tag holds a sheet (and images are split), else itself.
void addImage(Gathered& gathered, const QString& path, const GatherOptions& options) {
    if (options.splitImages && hasSuffix(path, ".ape")) {
        QString error;
        if (const auto table = CueReader::readEmbedded(path, options.cueEncoding, &error)) {
            addTracks(gathered, *table);
            return;
        }
        // A sheet in the tag that cannot be read leaves the image whole: it still converts.
        if (!error.isEmpty()) {
            gathered.warnings << QStringLiteral(
                                     "%1: the CUE sheet in its tag cannot be used (%2); the "
                                     "image converts whole")
                                     .arg(path, error);
        }
    }
    gathered.items.append(FileQueue::Item{path, nullptr, QString()});
}

// How well a sheet's name fits an image it describes: 0 for the image's name with ".cue"
// added ("img.ape.cue"), 1 for its base name ("img.cue"), 2 for any other name.
int nameFit(const QString& cuePath, const QString& image) {
    const QFileInfo cue(cuePath);
    const QFileInfo audio(image);
    if (cue.completeBaseName().compare(audio.fileName(), Qt::CaseInsensitive) == 0) {
        return 0;
    }
    return cue.completeBaseName().compare(audio.completeBaseName(), Qt::CaseInsensitive) == 0 ? 1
                                                                                              : 2;
}

struct FoundSheet {
    QString path;
    CueTrackTable table;
    QStringList images;  // canonical paths
    int fit = 2;         // the best nameFit over its images
    bool used = true;
};

// Two sheets for one image would convert the album twice: the one whose name fits the image best
// is used (the earlier one in the folder's order when they fit alike), each other one is skipped
// with a warning.
void skipSecondSheets(QList<FoundSheet>& sheets, QStringList& warnings) {
    QList<qsizetype> order(sheets.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](qsizetype a, qsizetype b) { return sheets[a].fit < sheets[b].fit; });
    QHash<QString, qsizetype> claimedBy;  // image -> the sheet that converts it
    for (const qsizetype index : order) {
        FoundSheet& sheet = sheets[index];
        for (const QString& image : sheet.images) {
            const auto claim = claimedBy.constFind(image);
            if (claim != claimedBy.constEnd()) {
                sheet.used = false;
                warnings << QStringLiteral("%1 skipped: %2 describes the same image (%3)")
                                .arg(sheet.path, sheets[claim.value()].path,
                                     QFileInfo(image).fileName());
                break;
            }
        }
        if (sheet.used) {
            for (const QString& image : sheet.images) {
                claimedBy.insert(image, index);
            }
        }
    }
}

}  // namespace

Gathered gatherFile(const QString& path, const GatherOptions& options) {
    Gathered gathered;
    if (!isReadable(gathered, path)) {
        return gathered;
    }
    if (!hasSuffix(path, ".cue")) {
        addImage(gathered, path, options);
    } else if (const auto table = readSheet(gathered, path, options)) {
        addSheet(gathered, *table, options);
    }
    return gathered;
}

Gathered gatherFolder(const QString& folder, const GatherOptions& options) {
    QStringList extensions = options.extensions;
    if (options.splitImages) {
        extensions << QStringLiteral("cue");
    }
    QStringList listed;
    SearchFolder(folder, listed, options.yield, extensions);
    Gathered gathered;
    QStringList found;
    for (const QString& path : listed) {
        if (isReadable(gathered, path)) {
            found << path;
        }
    }

    // First the sheets, to know which images they cover; then everything in the order found.
    QList<FoundSheet> sheets;
    for (const QString& path : found) {
        if (!hasSuffix(path, ".cue")) {
            continue;
        }
        if (auto table = readSheet(gathered, path, options)) {
            FoundSheet sheet;
            sheet.path = path;
            sheet.table = std::move(*table);
            for (const QString& image : imagesOf(sheet.table)) {
                sheet.images << canonical(image);
                sheet.fit = std::min(sheet.fit, nameFit(path, image));
            }
            sheets << std::move(sheet);
        }
    }
    skipSecondSheets(sheets, gathered.warnings);
    QSet<QString> covered;
    QHash<QString, const FoundSheet*> sheetAt;
    for (const FoundSheet& sheet : sheets) {
        if (sheet.used) {
            sheetAt.insert(sheet.path, &sheet);
            for (const QString& image : sheet.images) {
                covered.insert(image);
            }
        }
    }

    for (const QString& path : found) {
        if (hasSuffix(path, ".cue")) {
            if (const FoundSheet* sheet = sheetAt.value(path)) {
                addSheet(gathered, sheet->table, options);
            }
        } else if (covered.isEmpty() || !covered.contains(canonical(path))) {
            addImage(gathered, path, options);
        }
    }
    if (options.mirrorFolders) {
        // Relative to the folder's parent: the folder's own name starts every subfolder, so two
        // folders given at once keep their files apart.
        const QDir above = QFileInfo(folder).absoluteDir();
        for (FileQueue::Item& item : gathered.items) {
            const QString source = item.track ? item.track->image : item.path;
            const QString relative = above.relativeFilePath(QFileInfo(source).absolutePath());
            const bool outside =
                relative == QLatin1String("..") || relative.startsWith(QLatin1String("../"));
            item.subfolder = outside ? QFileInfo(folder).fileName() : relative;
        }
    }
    return gathered;
}
