#pragma once

#include "ArgumentTranslation.h"
#include "FfmpegSession.h"

#include <functional>
#include <optional>
#include <string>

// A last step on ffmpeg's finished temporary file before it is checked (coder writes the tags
// there). Returns the reason the conversion fails, or nullopt.
using OutputFinisher = std::function<std::optional<std::string>(const std::string& temporaryPath)>;

// One conversion from start to end: clear the temporary file, run ffmpeg on it, finish and check
// what it wrote, and publish it under the output name; on failure or a stop, leave nothing under
// either name. Returns coder's exit status: 0 only for a published, checked file; 128 + signal
// when told to stop; otherwise non-zero after printing "coder: conversion failed: <reason>" as
// the last line. A translation that depends on the input has ffprobe read the input first; a
// video output is read back with ffprobe before it is published.
//  ffmpeg       the ffmpeg to run (nullopt: none was found; `ffmpegName` is what was asked for)
int runConversion(FfmpegSession& session, const ArgumentTranslation& translation,
                  const std::optional<std::string>& ffmpeg, const std::string& ffmpegName,
                  const OutputFinisher& finish = {});
