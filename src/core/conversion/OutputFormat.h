#pragma once

#include "conversion/VideoSize.h"

#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Which of the two console runners a command goes to.
enum class RunnerChoice { objffmpeg, objDOS };

// The settings a format's command lines can take, by the names their templates use: {rate},
// {bitrate}, {channels}, {vbitrate}, {fps}, {size}, {level}, {quality}, {vbr}.
enum class Setting {
    SampleRate,
    BitRate,
    Channels,
    VideoBitRate,
    FrameRate,
    FrameSize,
    Level,
    Quality,
    Vbr
};

// What selecting a format writes into the settings; nothing leaves a setting as it is.
struct FormatPreset {
    std::optional<QString> videoBitRate, frameRate;
    std::optional<VideoSize> frameSize;
    std::optional<QString> sampleRate, bitRate;
    int channelIndex = 1;  // see EncoderSettings::channelIndex
    std::optional<QString> level, quality, vbr;
};

// One stage's encoder and its argument template (see CommandTemplate): the command line is the
// encoder's path followed by the filled template. Besides the settings a template may name
// {input}, {output}, {intermediate} (the intermediate file of two-stage formats), and for audio
// {cut} (-ss/-to of an album track) and {tags} (a track's -metadata options).
struct FormatStage {
    QLatin1String program;  // "coder", "coder2" or "conv" in data/
    RunnerChoice runner = RunnerChoice::objffmpeg;
    QLatin1String arguments;
    // When the frame size is the source's: the template used instead (empty: `arguments`), and
    // what {size} stands for then (empty: nothing, so a bracketed size piece goes).
    QLatin1String atSourceSize{""};
    QLatin1String sourceSizeAs{""};
};

// One output format: everything the command builders, the presets, the command line and the
// folder scan know of it. The index is its position in the format list: setup.ini's fifth line
// and --format N name formats by it, so it never changes.
struct OutputFormat {
    int index = 0;
    QLatin1String name;       // on the command line: "mp3", "flac", "rmvb", ...
    QLatin1String extension;  // of the final file, with its dot
    bool video = false;       // a video target: folders are searched for video files
    FormatStage first;
    std::optional<FormatStage> second;  // makes the final file from the intermediate
    FormatPreset preset;

    bool needsSecondStage() const { return second.has_value(); }
    // True when one of its command templates takes the setting.
    bool uses(Setting setting) const;
    // Between the base name and the time stamp of an output name: "_" for audio, "-" for video.
    QChar stampSeparator() const { return video ? QLatin1Char('-') : QLatin1Char('_'); }
    // What a folder scan looks for: Monkey's Audio files for an audio target, video files for a
    // video target.
    const QStringList& searchedExtensions() const;
};

// Every format, in index order: the nine video and MP3 targets 0..8, then the audio targets.
const QList<OutputFormat>& outputFormats();
// Nothing for an index outside the list (-1, no selection, included).
const OutputFormat* outputFormat(int index);
// By command-line name, in any letter case.
const OutputFormat* outputFormatNamed(QStringView name);

// The template's name for a setting, and how messages call it ("sample rate").
QLatin1String placeholderOf(Setting setting);
QLatin1String wordsFor(Setting setting);
