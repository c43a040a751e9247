#pragma once

#include "AudioOutput.h"
#include "FlacCheck.h"
#include "InputCut.h"
#include "MediaProbe.h"
#include "OutputCheck.h"
#include "VideoContainer.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What ffmpeg is run with for one coder command line, the notes coder prints about values it
// changed on the way, and what the command asks for, to check the result against.
struct ArgumentTranslation {
    std::vector<std::string> ffmpegArguments;  // without the program name
    std::vector<std::string> notes;            // each printed as "coder: <note>"
    std::string outputPath;                    // the last argument: the name to publish under
    std::string temporaryPath;                 // what ffmpeg writes instead (see temporaryPathFor)
    std::string muxer;                         // the output format, given to ffmpeg with -f
    StreamExpectation expected;                // rate and channels asked for the output
    InputCut cut;                              // the part of the input to convert
    // Why the command cannot be run, when it cannot (nothing else is then meaningful).
    std::optional<std::string> problem;
    std::string inputPath;  // the last -i's value
    // The audio encoder: -c:a, or the one ffmpeg uses for the container (libmp3lame for an .mp3
    // name); empty when coder does not know it.
    std::string audioEncoder;
    // Set for outputs that hold video: what ffprobe must find in the finished file.
    std::optional<VideoExpectation> video;
    // Set for the audio formats read back after the run (see AudioOutput.h).
    std::optional<AudioExpectation> audio;
    // Set for FLAC outputs: their samples are checked against the source's (see FlacCheck.h).
    std::optional<FlacCheckPlan> flac;
    // Set when ffmpeg's arguments depend on the input's streams (a picture size to round, a
    // stream that must be there, a rate the encoder does not take): the input is probed before
    // ffmpeg runs and this is called with what was found. It may add output options, notes or
    // a problem.
    std::function<void(ArgumentTranslation&, const MediaFacts&)> adaptToInput;
    // Set when only the checks depend on the input's streams (the source's rate or channels
    // kept): ffprobe reads the input while ffmpeg runs, and this is called with what it found
    // once ffmpeg has ended. It may set expectations, notes or a problem.
    std::function<void(ArgumentTranslation&, const MediaFacts&)> expectFromInput;
};

// What an adapter adds to coder's translation.
struct TranslationOptions {
    // Debian's ffmpeg has no AMR narrow-band encoder: write AAC with the asked rate, channels
    // and bit rate in its place, and say so (coder2).
    bool amrStandIn = false;
};

// Options put in front of the user's arguments: never read stdin (an existing output must not
// make ffmpeg stop and ask), tag every log line with its level, fail on the first decoding error
// (otherwise a truncated input exits 0), and write progress blocks to stdout instead of
// the carriage-return statistics line.
const std::vector<std::string>& ffmpegFixedArguments();

// Builds ffmpeg's arguments from coder's own (argv without the program name). The arguments pass
// through in order, except that the output (last argument) is replaced by its temporary file,
// with "-f MUXER" in front of it unless the output options already name the format (the
// temporary name's extension says nothing). When the output is an .mp3 file, an output sample
// rate that libmp3lame refuses is replaced by the nearest one it takes; likewise for the other
// encoders with a fixed set of rates. Audio-only outputs are planned as AudioOutput.h says.
// Outputs that hold video (see VideoContainer.h) are mended so that ffmpeg writes a playable
// file in the asked container: "-b" becomes the video bit rate "-b:v"; a stream kind the
// command names no codec for gets the container's own (and, when the command leaves the
// video entirely open, a fixed quality instead of ffmpeg's meagre default bit rate); the
// sample rate is mapped for the audio encoder as for MP3; and RealVideo 1 gets a picture size
// it can encode (see realVideoSize), the input's own size when the command sets none.
ArgumentTranslation translateArguments(const std::vector<std::string>& coderArguments,
                                       const TranslationOptions& options = {});

// Puts `options` among ffmpeg's output options, right before the (temporary) output file.
void addOutputOptions(ArgumentTranslation& translation, const std::vector<std::string>& options);

// The sample rates an audio encoder takes, ascending, and how notes call it; nullopt for an
// encoder that takes any rate a player would use.
struct EncoderRates {
    std::string_view name;  // "the MP3 encoder"
    const std::vector<long long>& rates;
};
std::optional<EncoderRates> encoderRates(std::string_view encoder);

// The rate in `rates` (ascending) nearest to `hertz`; halfway between two goes to the higher.
long long nearestRate(const std::vector<long long>& rates, long long hertz);

// The sample rates libmp3lame takes, ascending.
const std::vector<long long>& mp3SampleRates();

// The accepted rate nearest to `hertz`; a value halfway between two goes to the higher one.
long long nearestMp3SampleRate(long long hertz);

// The value of a rate text made of decimal digits only; anything else (empty, signs, fractions,
// unit suffixes) is not ours to interpret and gives nullopt. Huge values saturate.
std::optional<long long> parsePlainRate(std::string_view text);

// True when `path` ends in ".mp3", in any letter case.
bool hasMp3Extension(std::string_view path);
