#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

struct CueTrackTable;

// One track to cut out of an album image: where it lies (in CD frames, 75 a second, so the
// cut is exact to the sample), what the MP3 is called, and the tags it gets over the image's own.
struct TrackCut {
    QString image;
    int number = 0;
    QString title;
    qint64 startFrames = 0;
    std::optional<qint64> endFrames;      // nothing: to the image's end
    QString outputBase;                   // "NN - Title", safe as a file name
    QList<QPair<QString, QString>> tags;  // TITLE, ARTIST, ALBUM, ... (empty values are left out)

    // What the list and the report call it: "<image> #NN Title".
    QString label() const;
    // The same with the image's file name only (the window's row).
    QString shortLabel() const;
    // Its length: end - start; nothing for an image's last track.
    std::optional<double> seconds() const;
};

// The tracks of a table, each with the sheet's fields as tags: the track's title, its performer
// (else the album's), the album's title, the album's performer as album artist, date, genre,
// comment (the track's own, else the album's), the track's songwriter as composer, its ISRC,
// "n/total" with the sheet's number and its highest track number as total, and the disc when
// the sheet gives one.
QList<TrackCut> trackCuts(const CueTrackTable& table);

// Seconds with six decimals, as ffmpeg's -ss and -to take them: exact to the sample at every
// usual rate.
QString cutSeconds(qint64 frames);
