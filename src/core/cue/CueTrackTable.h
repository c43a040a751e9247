#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <optional>

#include "cue/CueSheet.h"
#include "cue/CueTime.h"

struct CueAlbum : CueRemarks {  // disc number and count 0 when the sheet does not say
    QString title;
    QString performer;
    QString songwriter;
    QString catalog;
};

// One audio track to cut out of an image. Its remarks (genre, date, ...) are its own where the
// sheet gives them inside the track, else the album's.
struct CueTrack : CueRemarks {
    int number = 0;      // as the sheet numbers it (numbers may skip)
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
//
// Compilations: when the album's performer is "Various", "Various Artists" or "VA" (any case),
// a track without a PERFORMER of its own whose title reads "Artist / Title" or "Artist - Title"
// gets the artist and the title from it (split at the first " / ", else the first " - "). The
// album's performer stays the album artist.
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
