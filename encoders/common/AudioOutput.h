#pragma once

#include "MediaProbe.h"
#include "OutputCheck.h"

#include <optional>
#include <string>
#include <string_view>

struct ArgumentTranslation;

// The audio-only formats coder writes and checks: MP3 (its frames read by OutputCheck), FLAC
// (read by FlacCheck), and Ogg Opus, Ogg Vorbis and M4A (read back with ffprobe). Without -ar
// or -ac the source's rate and channels are kept, as far as the encoder takes them.

// The encoder ffmpeg uses for an audio-only `muxer` when the command names none; empty for
// other muxers.
std::string_view audioFormatEncoder(std::string_view muxer);

// What a finished FLAC, Ogg or M4A output must be besides its rate and channels.
struct AudioExpectation {
    std::string muxer;
    std::string codec;  // ffprobe's codec name; empty when the command leaves it to ffmpeg
};

// Fits an audio-only output of `translation` (muxer and audio encoder known) to the format
// table: what to read back, the FLAC check, and how the source's streams decide what the
// command leaves open. Does nothing for other outputs.
void planAudioOutput(ArgumentTranslation& translation, bool rateGiven, bool channelsGiven);

// What the first page of an Ogg file says about its stream (Opus or Vorbis), read without
// ffprobe; nullopt for anything else, which ffprobe is then asked about.
std::optional<MediaFacts> readOggHead(const std::string& path);

// Why a finished file (as ffprobe or readOggHead saw it) is not what was asked for, or nullopt when
// it is: the container, the codec, the sample rate and the channels.
std::optional<std::string> audioOutputProblem(const MediaFacts& facts,
                                              const AudioExpectation& expected,
                                              const StreamExpectation& stream);
