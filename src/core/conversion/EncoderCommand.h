#pragma once

#include "conversion/CommandTemplate.h"
#include "conversion/EncoderSettings.h"
#include "conversion/OutputFormat.h"
#include "platform/PlatformDescription.h"

#include <QString>
#include <QTime>
#include <functional>

struct TrackCut;

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

// Builds the first-stage command for the input at the head of the queue from its format's
// template. `nameTaken` is asked about each candidate output name in turn ("x_953.mp3", then
// "x_953-2.mp3", "x_953-3.mp3", ...) and the first one it calls free is used, so no earlier file
// is overwritten; a caller may reserve the name in the same step (the run creates it
// exclusively). A file name too long for the file system (with room for the encoder's
// ".<name>.part") is shortened in its base name, at a character boundary. A format index outside
// the list gives an empty command.
EncoderCommand BuildEncoderCommand(const EncoderSettings& settings, const QString& inputPath,
                                   const QTime& clock, const PlatformDescription& platform,
                                   const std::function<bool(const QString&)>& nameTaken = {});

// The command for one track of an album image in the selected audio format (MP3 when a video
// format is selected): the image is cut on decode (-ss, -to before -i, exact to the sample), and
// the track's tags come as -metadata options, which the encoder writes over the image's own. The
// output is named after the track ("03 - Title.flac", "-2" and so on when taken).
EncoderCommand BuildTrackCommand(const EncoderSettings& settings, const TrackCut& track,
                                 const PlatformDescription& platform,
                                 const std::function<bool(const QString&)>& nameTaken = {});

// The name a format's final file gets in `folder` (which ends in the separator): the input's
// base name (GetBaseName: cut at its first dot), the format's separator and the time stamp,
// and its extension -- or, with keepNames, the whole name without its extension; the first of
// those (and "-2", "-3" ...) that `nameTaken` calls free.
QString OutputNameFor(const EncoderSettings& settings, const OutputFormat& format,
                      const QString& folder, const QString& inputPath, const QTime& clock,
                      const PlatformDescription& platform,
                      const std::function<bool(const QString&)>& nameTaken);

namespace CommandValues {
// The template values of the settings, for `format`: absent where the source's own value is
// kept (the rate, the channels) and where a setting does not apply (the bit rate of a VBR MP3).
CommandTemplate::Values of(const EncoderSettings& settings, const OutputFormat& format);
// The first setting the template takes that is not a plain number (or, for the size, not
// WIDTHxHEIGHT), as a reason; empty when there is none.
QString problemIn(const QString& pattern, const CommandTemplate::Values& values,
                  const EncoderSettings& settings);
}  // namespace CommandValues
