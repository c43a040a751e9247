#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "cue/CueSheet.h"

// Finds the audio images a CUE sheet file describes, in the sheet's own folder.
//
// Each FILE line that holds an audio track is looked for under its own name beside the sheet
// (backslashes read as folder separators, and the case of the name ignored when that finds just
// one file). Sheets are often made for a ".wav" that was compressed afterwards, or carry names in
// another encoding than the sheet, so with a single such FILE line the finder then takes the one
// audio file that has the sheet's base name ("Live Set.cue" -> "Live Set.ape"), and failing that
// the only audio file in the folder. With several FILE lines there is no telling which file is
// which, so each must be found under its own name. A name that leaves the sheet's folder
// ("../x.ape", "/music/x.ape", "..\x.ape") is only looked for beside the sheet, under its last
// part; when no such file is there the sheet is refused.
class CueImageFinder {
public:
    // Audio files the fallbacks consider, by their extension (any case).
    static const QStringList& audioExtensions();

    // One absolute path per entry of sheet.files (empty for a FILE without audio tracks), or
    // nothing with the reason in `error`:
    //   no image found for Live Set.cue (looked for "Live Set.wav")
    //   several images fit Live Set.cue: "Live Set.ape", "Live Set.flac"
    //   Live Set.cue names "../x.ape", outside its folder, and no "x.ape" lies beside it
    static std::optional<QStringList> find(const QString& cuePath, const CueSheet& sheet,
                                           QString* error = nullptr);
};
