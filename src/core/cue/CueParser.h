#pragma once

#include <QString>
#include <QStringView>
#include <optional>

#include "cue/CueSheet.h"

// Reads the text of a CUE sheet. Strict where a mistake would cut the audio in the wrong place
// or give wrong names: track numbers must go up (numbers may be skipped: one warning says so,
// and the sheet's numbers stay the tracks' numbers), every track needs an INDEX 01, index
// times must move forward, an INDEX needs a TRACK and a TRACK needs a FILE, and a value with a
// broken quote fails too (most often the sheet was read in the wrong encoding and a character
// swallowed the quote; the user can then name the encoding). Such faults fail the whole sheet
// with the line they are on: "line 7: INDEX needs mm:ss:ff, not "00:04"".
//
// Lenient where nothing can go wrong: keywords in any case, blanks and tabs anywhere, CR LF, LF
// or CR line ends, values with or without quotes, INDEX 02 and up accepted and not used. Unknown
// commands and broken REM remarks are skipped with a warning in CueSheet::warnings: ripping
// tools add lines of their own, and refusing an album for them would help nobody. A misspelt
// INDEX still fails, because its track is then missing its INDEX 01. REM remarks before the
// first TRACK are the album's, inside a TRACK that track's.
class CueParser {
public:
    static std::optional<CueSheet> parse(QStringView text, QString* error = nullptr);

private:
    CueParser() = default;

    bool parseLine(QStringView line);
    bool parseRem(QStringView rest);
    bool parseFile(QStringView rest);
    bool parseTrack(QStringView rest);
    bool parseIndex(QStringView rest);
    bool parseGap(QStringView command, QStringView rest, std::optional<CueTime>& gap);
    bool finishTrack();

    std::optional<QString> textValue(QStringView command, QStringView rest);
    CueSheetTrack* currentTrack();
    bool fail(const QString& what);
    void warn(const QString& what);

    CueSheet m_sheet;
    int m_line = 0;
    QString m_error;
    int m_file = -1;  // the last FILE line's index
    bool m_trackHasIndex1 = false;
    bool m_warnedSkippedNumber = false;
    std::optional<CueTime> m_index0;  // of the current track, and the FILE it lies in
    int m_index0File = -1;
};
