#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "support/QtPrinters.h"

// Where the tests find their inputs and programs, and a look at media files through ffprobe.
namespace TestPaths {

QString fixture(const QString& name);  // a file of the shared fixtures' ape folder
QString benchInput(const QString& name);
QString programFolder();              // build folder: vordana and data/coder
QString helper(const QString& name);  // a test helper program

// Copies a helper program under another name into `folder` (so it runs with that image name).
QString copyHelperAs(const QString& helperName, const QString& folder, const QString& newName);

// Makes `path` a file holding `bytes`; false when it cannot be written.
bool writeFile(const QString& path, const QByteArray& bytes);

}  // namespace TestPaths

// What ffprobe says about a media file's first audio stream and its tags.
struct MediaInfo {
    bool ok = false;
    QString codec;
    int sampleRate = 0;
    int channels = 0;
    qint64 bitRate = 0;
    double duration = 0.0;         // as ffprobe reports it (whole frames, padding included)
    double decodedDuration = 0.0;  // what a player plays: decoded samples / rate
    QString title;
    QString artist;
    QString album;
};

MediaInfo probeMedia(const QString& path);

// Live processes whose command line mentions `text` (an encoder working on a folder of the
// test's, say).
QList<int> processesMentioning(const QString& text);

struct ProcessResult {
    int exitCode = -1;
    QString out;
    qsizetype outBytes = 0;
    QString err;
    bool finished = false;
};

// Runs a program to its end (or kills it after `timeoutMs`).
ProcessResult runProgram(const QString& program, const QStringList& arguments,
                         int timeoutMs = 120000, const QStringList& extraEnvironment = {},
                         bool countOnly = false);
