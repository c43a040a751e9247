#pragma once

#include "conversion/EncoderCommand.h"
#include "conversion/EncoderSettings.h"
#include "platform/PlatformDescription.h"

#include <QString>
#include <QTime>
#include <functional>

// True for the video formats whose first stage writes the final file at once (MPG, AVI and the
// high-definition MP4); needsSecondStage for those that go through an intermediate file and a
// second stage. Both false for an index outside the format list.
bool completesInTheFirstStage(int formatIndex);
bool needsSecondStage(int formatIndex);

// The second stage of a two-stage video format (RMVB, RM, MOV, phone MP4, 3GP): turns the
// intermediate file into the final file on the ffmpeg-style runner, with the program and the
// template of the format's second stage (its own template at the source's size, where it has
// one). The output is named as the first stage's final files are, and a taken name gets "-2",
// "-3", ... A setting the command needs that is not a number (or a size that is not WxH) gives a
// `problem` and no command.
EncoderCommand BuildSecondStageCommand(const EncoderSettings& settings, const QString& inputPath,
                                       const QTime& clock, const PlatformDescription& platform,
                                       const std::function<bool(const QString&)>& nameTaken = {});
