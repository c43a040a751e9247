#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

#include "cue/CueTime.h"

// A CUE sheet as written: what each line said, checked for sense but not yet turned into
// tracks to cut (that is CueTrackTable's job, once the images are known).

struct CueSheetFile {
    QString name;  // as the FILE line gives it
    QString type;  // WAVE, MP3, ... (empty when the line has none)
    int line = 0;
};

// The REM remarks a sheet gives for the album (before the first TRACK) or for one track.
struct CueRemarks {
    QString genre;       // REM GENRE
    QString date;        // REM DATE
    QString comment;     // REM COMMENT
    int discNumber = 0;  // REM DISCNUMBER, 0 when absent
    int totalDiscs = 0;  // REM TOTALDISCS, 0 when absent
};

struct CueSheetTrack : CueRemarks {
    int number = 0;
    QString type;        // AUDIO, MODE1/2352, ...
    bool audio = false;  // type AUDIO; other tracks are kept because they still end the one before
    int file = 0;        // index into CueSheet::files: the FILE its INDEX 01 lies in
    int line = 0;        // of its TRACK command
    QString title;
    QString performer;
    QString songwriter;
    QString isrc;
    QStringList flags;
    std::optional<CueTime> pregap;  // PREGAP/POSTGAP: silence the image does not hold
    std::optional<CueTime> postgap;
    std::optional<CueTime> index0;  // only when it lies in the same FILE as INDEX 01
    CueTime index1;
};

struct CueSheet : CueRemarks {
    QString title;
    QString performer;
    QString songwriter;
    QString catalog;
    QList<CueSheetFile> files;
    QList<CueSheetTrack> tracks;
    QStringList warnings;  // "line 9: ..." for lines that were skipped
};
