#include "cue/TrackCut.h"

#include "cue/CueTrackTable.h"

#include <algorithm>

QString TrackCut::label() const {
    return image + QStringLiteral(" #%1 ").arg(number, 2, 10, QLatin1Char('0')) + title;
}

QString TrackCut::shortLabel() const {
    return image.mid(image.lastIndexOf(QLatin1Char('/')) + 1) +
           QStringLiteral(" #%1 ").arg(number, 2, 10, QLatin1Char('0')) + title;
}

std::optional<double> TrackCut::seconds() const {
    if (!endFrames) {
        return std::nullopt;
    }
    return static_cast<double>(*endFrames - startFrames) / 75.0;
}

QList<TrackCut> trackCuts(const CueTrackTable& table) {
    QList<TrackCut> cuts;
    const CueAlbum& album = table.album;
    // The highest number on the sheet, so that n <= total also when numbers skip.
    int total = 0;
    for (const CueTrack& track : table.tracks) {
        total = std::max(total, track.number);
    }
    for (const CueTrack& track : table.tracks) {
        TrackCut cut;
        cut.image = track.image;
        cut.number = track.number;
        cut.title = track.title;
        cut.startFrames = track.start.frames();
        if (track.end) {
            cut.endFrames = track.end->frames();
        }
        QString name = CueTrackTable::outputName(track.number, track.title);
        name.chop(4);  // ".mp3": the run adds the extension (and "-2" before it when taken)
        cut.outputBase = name;
        const QPair<QString, QString> fields[] = {
            {QStringLiteral("TITLE"), track.title},
            {QStringLiteral("ARTIST"), track.performer},
            {QStringLiteral("ALBUM"), album.title},
            {QStringLiteral("ALBUMARTIST"), album.performer},
            {QStringLiteral("DATE"), track.date},
            {QStringLiteral("GENRE"), track.genre},
            {QStringLiteral("COMMENT"), track.comment},
            {QStringLiteral("COMPOSER"), track.songwriter},
            {QStringLiteral("ISRC"), track.isrc},
            {QStringLiteral("TRACKNUMBER"), QStringLiteral("%1/%2").arg(track.number).arg(total)},
            {QStringLiteral("DISCNUMBER"),
             track.discNumber <= 0 ? QString()
             : track.totalDiscs > 0
                 ? QStringLiteral("%1/%2").arg(track.discNumber).arg(track.totalDiscs)
                 : QString::number(track.discNumber)},
        };
        for (const auto& field : fields) {
            if (!field.second.isEmpty()) {
                cut.tags << field;
            }
        }
        cuts << cut;
    }
    return cuts;
}

QString cutSeconds(qint64 frames) {
    const qint64 micro = frames * 1000000 / 75;  // whole microseconds, rounded down
    return QStringLiteral("%1.%2")
        .arg(micro / 1000000)
        .arg(micro % 1000000, 6, 10, QLatin1Char('0'));
}
