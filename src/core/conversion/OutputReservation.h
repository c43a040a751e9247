#pragma once

#include "platform/RunRecords.h"

#include <QString>

#include <sys/types.h>

// An output name held for one conversion: the file is created empty and exclusively (O_EXCL)
// before the encoder starts, so no other job of ours, no other Vordana and no other program can
// take the same name meanwhile. The encoder writes beside it, to partialPath(), and publishes its
// finished file onto it (a rename, so the name then holds another file). release() takes back
// only what we made: the file we created, when the name still holds that very file (not a
// published one, not a link planted meanwhile), and the encoder's partial file. While a name is
// held, a record in the private folder names it and the encoders at work, so that a later run
// can remove the two files when this one dies (see RunRecords).
class OutputReservation {
public:
    OutputReservation() = default;

    enum class Outcome { Reserved, Taken, Failed };
    // Creates `path` exclusively: Taken when a file of that name is there, Failed when no file
    // can be made there at all (a folder that is missing or not writable; see error()).
    Outcome reserve(const QString& path);
    // Why the last reserve() failed.
    const QString& error() const { return m_error; }

    const QString& path() const { return m_path; }
    bool isHeld() const { return !m_path.isEmpty(); }

    // An encoder now works for this file (either stage of a video: a first stage holds no name
    // yet, but its work folder must not be taken from under it).
    void noteEncoder(pid_t pid) { m_record.noteEncoder(pid); }

    // After a conversion that did not succeed: removes the partial file and our empty file.
    void release();
    // After a conversion that published its file: the name is the output's now.
    void keep();

    // Where the encoder writes until its file is complete: ".<name>.part" in the same folder.
    static QString partialPath(const QString& outputPath);
    // Removes `path` when it is a regular file: a link planted under the name goes, never what
    // it points to.
    static void removeRegularFile(const QString& path);

private:
    QString m_path;
    QString m_error;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    RunRecords::Record m_record;
};
