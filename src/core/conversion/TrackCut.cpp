#include "conversion/TrackCut.h"

#include "cue/CueTrackTable.h"

QString TrackCut::label() const {
    return image + QStringLiteral(" #%1 ").arg(number, 2, 10, QLatin1Char('0')) + title;
}

QString TrackCut::shortLabel() const {
    return image.mid(image.lastIndexOf(QLatin1Char('/')) + 1) +
           QStringLiteral(" #%1 ").arg(number, 2, 10, QLatin1Char('0')) + title;
}

QList<TrackCut> trackCuts(const CueTrackTable& table) {
    QList<TrackCut> cuts;
    const CueAlbum& album = table.album;
    const qsizetype total = table.tracks.size();
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
            {QStringLiteral("DATE"), album.date},
            {QStringLiteral("GENRE"), album.genre},
            {QStringLiteral("COMMENT"), album.comment},
            {QStringLiteral("COMPOSER"), track.songwriter},
            {QStringLiteral("ISRC"), track.isrc},
            {QStringLiteral("TRACKNUMBER"), QStringLiteral("%1/%2").arg(track.number).arg(total)},
            {QStringLiteral("DISCNUMBER"),
             album.discNumber <= 0 ? QString()
             : album.totalDiscs > 0
                 ? QStringLiteral("%1/%2").arg(album.discNumber).arg(album.totalDiscs)
                 : QString::number(album.discNumber)},
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
