#pragma once

#include "conversion/EncoderCommand.h"
#include "conversion/EncoderSettings.h"
#include "platform/PlatformDescription.h"

#include <QString>
#include <QTime>
#include <functional>

// True for the formats whose first stage writes the final file at once (MPG, AVI and the
// high-definition MP4); the other video formats go through an intermediate file and a second
// stage, and MP3 has one stage only.
bool completesInTheFirstStage(int formatIndex);
bool needsSecondStage(int formatIndex);

// The second stage of a two-stage video format (RMVB, RM, MOV, phone MP4, 3GP): turns the
// intermediate file into the final file on the ffmpeg-style runner, with coder (coder2 for the
// two phone formats). With the size "原始大小" the format's fixed command is used, otherwise its
// sized one. The output is named base + "-" + time stamp + the format's extension, and a taken
// name gets "-2", "-3", ... as the first stage's do. A setting the command needs that is not a
// number (or a size that is not WxH) gives a `problem` and no command.
EncoderCommand BuildSecondStageCommand(const EncoderSettings& settings, const QString& inputPath,
                                       const QTime& clock, const PlatformDescription& platform,
                                       const std::function<bool(const QString&)>& nameTaken = {});
