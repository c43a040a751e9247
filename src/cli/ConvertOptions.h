#pragma once

#include "conversion/VideoSize.h"

#include <QString>
#include <QStringList>

#include <optional>

// What `vordana --convert ...` was asked to do.
struct ConvertOptions {
    QString outputFolder;  // empty: the default output folder
    int format = 8;        // index in the format list; 8 is MP3
    // Values that override the format's presets; each a plain number (the rate may also be the
    // source's, "source"), or a size.
    std::optional<QString> bitRate;
    std::optional<QString> sampleRate;
    std::optional<int> channelIndex;  // 0 mono, 1 stereo, 2 the source's channels
    std::optional<VideoSize> frameSize;
    std::optional<QString> videoBitRate;
    std::optional<QString> frameRate;
    std::optional<QString> level;    // FLAC
    std::optional<QString> quality;  // Ogg Vorbis
    std::optional<QString> vbr;      // MP3
    bool keepNames = false;          // outputs named after the whole input name, no time stamp
    bool tree = false;               // folders' files mirrored under the output folder
    bool skipExisting = false;       // with keepNames: an output already there is skipped
    int jobs = 0;                    // 0: as many as the cores this process may use
    bool quiet = false;
    bool json = false;
    bool splitImages = true;  // album images with a CUE sheet convert track by track
    QString cueEncoding;      // empty: found out from each sheet's text
    QStringList paths;
};

// How the command line ended up.
struct ParsedCommandLine {
    enum class Outcome { Convert, Help, Version, BadUsage };
    Outcome outcome = Outcome::BadUsage;
    ConvertOptions options;
    QString error;         // one line naming the problem, for BadUsage
    QStringList warnings;  // options given that the format does not use
};

// Parses the whole command line (arguments[0] is the program; "--convert" may stand anywhere
// before "--"). Options take their value as the next argument or after "=", "--" ends the
// options, and -h/--help and --version win over everything else.
ParsedCommandLine parseCommandLine(const QStringList& arguments);

// The help text of --help.
QString convertUsage();

// The format named by its index or its name (rmvb, ..., mp3, flac, opus, aac, ogg); nothing for
// anything else.
std::optional<int> formatFromName(const QString& name);

// Exit statuses of `vordana --convert`; a batch stopped by a signal exits 128 + its number
// (130 for Ctrl-C), as a shell reports it.
enum ConvertExit { kAllConverted = 0, kSomeFailed = 1, kBadUsage = 2 };
