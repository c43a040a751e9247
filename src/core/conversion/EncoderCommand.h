#pragma once

#include "conversion/EncoderSettings.h"
#include "platform/PlatformDescription.h"

#include <QString>
#include <QTime>
#include <functional>

// Which of the two console runners a command goes to.
enum class RunnerChoice { objffmpeg, objDOS };

struct EncoderCommand {
    QString commandLine;
    RunnerChoice runner = RunnerChoice::objffmpeg;
    QString imageName;   // value for EncoderImageName ("coder", "conv"; ".exe" on Windows)
    QString outputPath;  // file the command writes (the intermediate file for two-stage formats)
    bool writesFinalFile = true;  // false when a second stage makes the final file
};

// Hours, minutes and seconds without leading zeros, concatenated: 9:05:03 -> "953".
QString TimeStamp(const QTime& time);

// Builds the first-stage command for the input at the head of the queue. `fileExists` tells
// whether a file of that name is already there: a taken output name gets "-2", "-3", ...
// before its extension until it is free, so no earlier file is overwritten.
EncoderCommand BuildEncoderCommand(const EncoderSettings& settings, const QString& inputPath,
                                   const QTime& clock, const PlatformDescription& platform,
                                   const std::function<bool(const QString&)>& fileExists = {});
