#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

#include "cue/CueSheet.h"
#include "cue/CueTime.h"

struct CueAlbum {
    QString title;
    QString performer;
    QString songwriter;
    QString genre;
    QString date;
    QString comment;
    QString catalog;
    int discNumber = 0;  // 0 when the sheet does not say
    int totalDiscs = 0;
};

// One audio track to cut out of an image.
struct CueTrack {
    int number = 0;
    QString title;       // "Track NN" when the sheet gives none
    QString performer;   // the track's own, else the album's
    QString songwriter;  // the track's own, else the album's
    QString isrc;
    QString image;  // the image's path
    int file = 0;   // index of its FILE line in the sheet
    CueTime start;  // its INDEX 01
    // The next track's INDEX 01 in the same image (so a pregap before the next track stays at
    // the end of this one); nothing for an image's last track, which runs to the image's end.
    std::optional<CueTime> end;

    std::optional<CueTime> length() const;
    QString outputName() const;  // "NN - Title.mp3"
};

// What a CUE sheet says to cut: the album, its audio tracks in order (tracks of other types only
// end the track before them), and how the sheet was read.
struct CueTrackTable {
    CueAlbum album;
    QList<CueTrack> tracks;
    QString encoding;      // the sheet's text encoding
    QStringList warnings;  // lines skipped, bytes replaced

    // `images` holds one path per entry of sheet.files (as CueImageFinder gives them).
    static CueTrackTable build(const CueSheet& sheet, const QStringList& images);

    // "NN - Title.mp3": characters a file name cannot hold on Linux (/ and NUL) or on the
    // systems the files may be copied to (\ : * ? " < > | and control characters) become "_";
    // dots and blanks at the title's ends go; an empty result is "Track NN"; the name is cut to
    // 255 bytes of UTF-8.
    static QString outputName(int number, const QString& title, QStringView extension = u"mp3");
};
