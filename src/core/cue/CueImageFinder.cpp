#include "cue/CueImageFinder.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool isAudioFile(const QFileInfo& info) {
    return info.isFile() &&
           CueImageFinder::audioExtensions().contains(info.suffix(), Qt::CaseInsensitive);
}

QString quotedNames(const QFileInfoList& files) {
    QStringList names;
    for (const QFileInfo& file : files) {
        names << QStringLiteral("\"%1\"").arg(file.fileName());
    }
    return names.join(QStringLiteral(", "));
}

// A name that leads out of the sheet's folder: from the root, or up through "..".
bool leavesFolder(const QString& relative) {
    const QString clean = QDir::cleanPath(relative);
    return clean.startsWith(u'/') || clean == QLatin1StringView("..") ||
           clean.startsWith(QLatin1StringView("../"));
}

// The FILE line's name beside the sheet: as written (when that stays in the sheet's folder),
// else its last part (a path from the ripping machine), else the one entry that matches it when
// case is ignored (sheets made on Windows do not care about case).
QString byOwnName(const QDir& folder, const QString& relative) {
    const QFileInfo asWritten(folder, relative);
    if (!leavesFolder(relative) && asWritten.isFile()) {
        return asWritten.absoluteFilePath();
    }
    const QString fileName = QFileInfo(relative).fileName();
    const QFileInfo beside(folder, fileName);
    if (beside.isFile()) {
        return beside.absoluteFilePath();
    }
    QFileInfoList sameLetters;
    for (const QFileInfo& entry : folder.entryInfoList(QDir::Files | QDir::Hidden)) {
        if (entry.fileName().compare(fileName, Qt::CaseInsensitive) == 0) {
            sameLetters << entry;
        }
    }
    return sameLetters.size() == 1 ? sameLetters.first().absoluteFilePath() : QString();
}

}  // namespace

const QStringList& CueImageFinder::audioExtensions() {
    static const QStringList extensions = {
        QStringLiteral("ape"), QStringLiteral("flac"), QStringLiteral("wav"),
        QStringLiteral("wv"),  QStringLiteral("tta"),  QStringLiteral("tak"),
        QStringLiteral("m4a"), QStringLiteral("ogg"),  QStringLiteral("opus"),
        QStringLiteral("mp3"), QStringLiteral("aiff"), QStringLiteral("wma")};
    return extensions;
}

std::optional<QStringList> CueImageFinder::find(const QString& cuePath, const CueSheet& sheet,
                                                QString* error) {
    const QFileInfo cue(cuePath);
    const QDir folder = cue.absoluteDir();
    auto failed = [&](const QString& reason) -> std::optional<QStringList> {
        if (error) {
            *error = reason;
        }
        return std::nullopt;
    };

    QList<bool> holdsAudio(sheet.files.size(), false);
    for (const CueSheetTrack& track : sheet.tracks) {
        if (track.audio) {
            holdsAudio[track.file] = true;
        }
    }
    const qsizetype audioFiles = holdsAudio.count(true);

    QStringList images(sheet.files.size());
    for (qsizetype i = 0; i < sheet.files.size(); ++i) {
        if (!holdsAudio[i]) {
            continue;
        }
        const QString relative = QString(sheet.files[i].name).replace(u'\\', u'/');
        images[i] = byOwnName(folder, relative);
        if (!images[i].isEmpty()) {
            continue;
        }
        if (leavesFolder(relative)) {
            // A sheet is no licence to read files elsewhere; only its own folder counts.
            return failed(
                QStringLiteral("%1 names \"%2\", outside its folder, and no \"%3\" "
                               "lies beside it")
                    .arg(cue.fileName(), sheet.files[i].name, QFileInfo(relative).fileName()));
        }
        const QString notFound = QStringLiteral("no image found for %1 (looked for \"%2\")")
                                     .arg(cue.fileName(), sheet.files[i].name);
        if (audioFiles > 1) {
            return failed(notFound);
        }
        QFileInfoList audio;
        QFileInfoList sameBase;
        for (const QFileInfo& entry :
             folder.entryInfoList(QDir::Files | QDir::Hidden, QDir::Name)) {
            if (isAudioFile(entry)) {
                audio << entry;
                // "Live Set.cue" and "Live Set.ape.cue" both name "Live Set.ape".
                if (entry.completeBaseName() == cue.completeBaseName() ||
                    entry.fileName() == cue.completeBaseName()) {
                    sameBase << entry;
                }
            }
        }
        const QFileInfoList& candidates = sameBase.isEmpty() ? audio : sameBase;
        if (candidates.size() == 1) {
            images[i] = candidates.first().absoluteFilePath();
        } else if (sameBase.size() > 1) {
            return failed(QStringLiteral("several images fit %1: %2")
                              .arg(cue.fileName(), quotedNames(sameBase)));
        } else {
            return failed(notFound);
        }
    }
    return images;
}
