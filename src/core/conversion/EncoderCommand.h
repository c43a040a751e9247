#pragma once

#include "conversion/EncoderSettings.h"
#include "platform/PlatformDescription.h"

#include <QString>
#include <QTime>
#include <functional>

struct TrackCut;

// Which of the two console runners a command goes to.
enum class RunnerChoice { objffmpeg, objDOS };

struct EncoderCommand {
    QString commandLine;
    QString program;  // the encoder the command line starts with (program folder + data/...)
    RunnerChoice runner = RunnerChoice::objffmpeg;
    QString imageName;   // value for EncoderImageName ("coder", "conv"; ".exe" on Windows)
    QString outputPath;  // file the command writes (the intermediate file for two-stage formats)
    bool writesFinalFile = true;  // false when a second stage makes the final file
    // Why no command was built: a setting the command needs is not a plain number. Setting
    // texts go into the command line as they stand, so anything else could smuggle in options.
    QString problem;
};

// Hours, minutes and seconds without leading zeros, concatenated: 9:05:03 -> "953".
QString TimeStamp(const QTime& time);

// Builds the first-stage command for the input at the head of the queue. `nameTaken` is asked
// about each candidate output name in turn ("x_953.mp3", then "x_953-2.mp3", "x_953-3.mp3", ...)
// and the first one it calls free is used, so no earlier file is overwritten; a caller may
// reserve the name in the same step (the run creates it exclusively). A file name too long for
// the file system (with room for the encoder's ".<name>.part") is shortened in its base name, at
// a character boundary.
EncoderCommand BuildEncoderCommand(const EncoderSettings& settings, const QString& inputPath,
                                   const QTime& clock, const PlatformDescription& platform,
                                   const std::function<bool(const QString&)>& nameTaken = {});

// The MP3 command for one track of an album image: the image is cut on decode (-ss, -to before
// -i, exact to the sample), and the track's tags come as -metadata options, which the encoder
// writes over the image's own. The output is named after the track ("03 - Title.mp3", "-2" and
// so on when taken).
EncoderCommand BuildTrackCommand(const EncoderSettings& settings, const TrackCut& track,
                                 const PlatformDescription& platform,
                                 const std::function<bool(const QString&)>& nameTaken = {});
