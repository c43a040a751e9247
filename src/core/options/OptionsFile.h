#pragma once

#include <QString>
#include <QtGlobal>

// The user options, kept in options.ini beside the program.
struct OptionsRecord {
    qint16 SoundReminder = 0;  // 0 plays the finishing sound; any other value stays silent
    qint16 MusicCutter = 0;    // 1 is checked; any other value is unchecked
    qint32 CutFrom = 0;        // seconds
    qint32 CutTo = 0;          // seconds
    qint32 FilesAtOnce = 0;    // files the window converts at once; 0: not chosen (the default)
};

// The one record the whole program works on.
OptionsRecord& Options();

// Fills `record` from the file at `path`. A missing file sets the two switches to 0 and
// FilesAtOnce to 0, and creates nothing. Otherwise four values are read; one that does not fit
// its field leaves the field as it was, and a value missing from the file repeats the last one
// read. A fifth value is the files at once: a whole number from 1 to maxFilesAtOnce(); anything
// else, or none, sets FilesAtOnce to 0. (A copy that reads four values passes over it.)
void LoadOptionsFile(OptionsRecord& record, const QString& path);

// Replaces the file with the four values, one per line, each ending in CR LF, and a fifth with
// FilesAtOnce when it is chosen (not 0). False when the file could not be written.
bool SaveOptionsFile(const OptionsRecord& record, const QString& path);

// The most files at once the user may choose: twice the cores this process may use.
int maxFilesAtOnce();
// How many files the window converts at once: the record's choice, else (none chosen) the
// cores this process may use.
int filesAtOnce(const OptionsRecord& record);

// h * 3600 + m * 60 + s of the leading numbers of the three texts (none counts as 0, fractions
// allowed), rounded to the nearest second with halves to even; clamped to the 32-bit range.
qint32 SecondsFromHms(const QString& h, const QString& m, const QString& s);

struct Hms {
    QString hours, minutes, seconds;
};
// Floor arithmetic, so a negative total keeps minutes and seconds in 0..59: -1 -> -1, 59, 59.
Hms HmsFromSeconds(qint32 total);
