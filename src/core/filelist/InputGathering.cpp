#include "filelist/InputGathering.h"

#include "conversion/TrackCut.h"
#include "cue/CueReader.h"
#include "filelist/FolderScan.h"
#include "platform/UserFile.h"

#include <QFileInfo>
#include <QSet>

#include <memory>

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
        gathered.items.append(FileQueue::Item{track->label(), track});
    }
}

// The sheet's images (whole) or tracks; false with a problem noted when it cannot be read.
bool addSheet(Gathered& gathered, const QString& cuePath, const GatherOptions& options,
              QSet<QString>* covered) {
    QString error;
    const auto table = CueReader::readFile(cuePath, options.cueEncoding, &error);
    if (!table) {
        gathered.problems.append({cuePath, error});
        return false;
    }
    QStringList images;
    for (const CueTrack& track : table->tracks) {
        if (!images.contains(track.image)) {
            images << track.image;
        }
    }
    if (covered) {
        for (const QString& image : images) {
            covered->insert(canonical(image));
        }
    }
    if (options.splitImages) {
        addTracks(gathered, *table);
    } else {
        for (const QString& image : images) {
            gathered.items.append(FileQueue::Item{image, nullptr});
        }
    }
    return true;
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
    }
    gathered.items.append(FileQueue::Item{path, nullptr});
}

}  // namespace

Gathered gatherFile(const QString& path, const GatherOptions& options) {
    Gathered gathered;
    if (!isReadable(gathered, path)) {
        return gathered;
    }
    if (hasSuffix(path, ".cue")) {
        addSheet(gathered, path, options, nullptr);
    } else {
        addImage(gathered, path, options);
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
    Gathered sheets;
    QStringList found;
    for (const QString& path : listed) {
        if (isReadable(sheets, path)) {
            found << path;
        }
    }

    // First the sheets, to know which images they cover; then everything in the order found.
    QSet<QString> covered;
    QList<qsizetype> sheetStarts;
    for (const QString& path : found) {
        if (hasSuffix(path, ".cue")) {
            sheetStarts << sheets.items.size();
            addSheet(sheets, path, options, &covered);
        }
    }
    sheetStarts << sheets.items.size();

    Gathered gathered;
    gathered.problems = sheets.problems;
    qsizetype sheet = 0;
    for (const QString& path : found) {
        if (hasSuffix(path, ".cue")) {
            gathered.items.append(sheets.items.mid(
                sheetStarts.at(sheet), sheetStarts.at(sheet + 1) - sheetStarts.at(sheet)));
            ++sheet;
        } else if (covered.isEmpty() || !covered.contains(canonical(path))) {
            addImage(gathered, path, options);
        }
    }
    return gathered;
}
