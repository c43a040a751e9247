#include "MencoderTranslation.h"

#include "OutputPublishing.h"

#include <array>
#include <charconv>
#include <cmath>
#include <map>
#include <utility>

namespace {

// One command line taken apart.
struct MencoderCommand {
    std::string input;
    std::string output;
    std::optional<std::string> audioChoice;  // -oac
    std::optional<std::string> videoChoice;  // -ovc
    std::map<std::string, std::string, std::less<>> lameOptions;
    std::map<std::string, std::string, std::less<>> lavcOptions;  // both -lavcopts together
    std::map<std::string, std::string, std::less<>> lavfOptions;
    std::optional<std::string> outputFormat;  // -of
    std::optional<std::string> frameRate;     // -ofps
    std::optional<std::string> problem;
};

// "vcodec=mpeg4:vbitrate=1200:vpass=1" into the map; a setting without "=" is a flag.
void readSuboptions(std::string_view text, std::map<std::string, std::string, std::less<>>& into) {
    while (!text.empty()) {
        const std::size_t colon = text.find(':');
        const std::string_view item = text.substr(0, colon);
        const std::size_t equals = item.find('=');
        if (!item.empty()) {
            into[std::string(item.substr(0, equals))] = equals == std::string_view::npos
                                                            ? std::string()
                                                            : std::string(item.substr(equals + 1));
        }
        text = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    }
}

MencoderCommand readCommand(const std::vector<std::string>& arguments) {
    MencoderCommand command;
    const auto failWith = [&](std::string reason) {
        if (!command.problem) {
            command.problem = std::move(reason);
        }
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.empty() || argument.front() != '-') {
            if (!command.input.empty()) {
                failWith("more than one input: " + command.input + " and " + argument);
            }
            command.input = argument;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            failWith("the option " + argument + " needs a value");
            break;
        }
        const std::string& value = arguments[++i];
        if (argument == "-o") {
            command.output = value;
        } else if (argument == "-oac") {
            command.audioChoice = value;
        } else if (argument == "-ovc") {
            command.videoChoice = value;
        } else if (argument == "-lameopts") {
            readSuboptions(value, command.lameOptions);
        } else if (argument == "-lavcopts") {
            readSuboptions(value, command.lavcOptions);
        } else if (argument == "-lavfopts") {
            readSuboptions(value, command.lavfOptions);
        } else if (argument == "-of") {
            command.outputFormat = value;
        } else if (argument == "-ofps") {
            command.frameRate = value;
        } else {
            failWith("unknown option " + argument);
        }
    }
    if (command.input.empty()) {
        failWith("no input file given");
    }
    if (command.output.empty()) {
        failWith("no output file given (-o)");
    }
    if (!command.audioChoice) {
        failWith("no audio codec chosen (-oac)");
    }
    if (!command.videoChoice) {
        failWith("no video codec chosen (-ovc)");
    }
    return command;
}

std::optional<double> decimal(std::string_view text) {
    double value = 0.0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::fixed);
    if (text.empty() || ec != std::errc() || ptr != end || !(value > 0.0)) {
        return std::nullopt;
    }
    return value;
}

// A bit rate in kbit/s as ffmpeg takes it: "320" -> "320k", "12.2" -> "12.2k".
std::string kilobits(std::string_view text) {
    return std::string(text) + "k";
}

// The audio options; the MP2 bit rate is left to adaptToInput, which knows the sample rate.
std::vector<std::string> audioOptions(const MencoderCommand& command, std::string& encoder,
                                      std::optional<std::string>& problem) {
    const std::string& choice = *command.audioChoice;
    if (choice == "copy") {
        encoder = "copy";
        return {"-acodec", "copy"};
    }
    if (choice == "mp3lame") {
        encoder = "libmp3lame";
        std::vector<std::string> options = {"-acodec", encoder};
        const auto preset = command.lameOptions.find("preset");
        if (preset == command.lameOptions.end()) {
            return options;
        }
        // LAME's named presets: a fixed 320 kbit/s, or variable rates of falling quality.
        static const std::array<std::pair<std::string_view, std::string_view>, 3> kQualities = {
            {{"extreme", "0"}, {"standard", "2"}, {"medium", "4"}}};
        if (preset->second == "insane") {
            options.insert(options.end(), {"-b:a", "320k"});
            return options;
        }
        for (const auto& [name, quality] : kQualities) {
            if (preset->second == name) {
                options.insert(options.end(), {"-q:a", std::string(quality)});
                return options;
            }
        }
        if (!decimal(preset->second)) {
            problem = "unknown LAME preset " + preset->second;
            return {};
        }
        options.insert(options.end(), {"-b:a", kilobits(preset->second)});
        return options;
    }
    if (choice == "lavc") {
        const auto codec = command.lavcOptions.find("acodec");
        encoder = codec == command.lavcOptions.end() ? "mp2" : codec->second;
        std::vector<std::string> options = {"-acodec", encoder};
        const auto bitRate = command.lavcOptions.find("abitrate");
        if (bitRate != command.lavcOptions.end() && encoder != "mp2") {
            options.insert(options.end(), {"-b:a", kilobits(bitRate->second)});
        }
        return options;
    }
    problem = "unknown audio codec choice -oac " + choice;
    return {};
}

std::vector<std::string> videoOptions(const MencoderCommand& command, std::string& encoder,
                                      std::optional<std::string>& problem) {
    const std::string& choice = *command.videoChoice;
    if (choice == "copy") {
        encoder = "copy";
        return {"-vcodec", "copy"};
    }
    if (choice != "lavc") {
        problem = "unknown video codec choice -ovc " + choice;
        return {};
    }
    const auto codec = command.lavcOptions.find("vcodec");
    encoder = codec == command.lavcOptions.end() ? "mpeg4" : codec->second;
    std::vector<std::string> options = {"-vcodec", encoder};
    const auto bitRate = command.lavcOptions.find("vbitrate");
    if (bitRate != command.lavcOptions.end()) {
        // mencoder reads small values as kbit/s and large ones as bit/s.
        const std::optional<double> value = decimal(bitRate->second);
        options.insert(
            options.end(),
            {"-b:v", value && *value > 16000.0 ? bitRate->second : kilobits(bitRate->second)});
    }
    return options;
}

struct FrameRate {
    std::string_view argument;  // for ffmpeg's -r
    std::string_view shown;     // in notes
    double value;
};

// The only frame rates MPEG-1 and MPEG-2 video can signal.
constexpr std::array<FrameRate, 8> kMpegFrameRates = {{
    {"24000/1001", "23.976", 24000.0 / 1001.0},
    {"24", "24", 24.0},
    {"25", "25", 25.0},
    {"30000/1001", "29.97", 30000.0 / 1001.0},
    {"30", "30", 30.0},
    {"50", "50", 50.0},
    {"60000/1001", "59.94", 60000.0 / 1001.0},
    {"60", "60", 60.0},
}};

std::optional<double> frameRateValue(std::string_view text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos) {
        return decimal(text);
    }
    const std::optional<double> numerator = decimal(text.substr(0, slash));
    const std::optional<double> denominator = decimal(text.substr(slash + 1));
    if (!numerator || !denominator) {
        return std::nullopt;
    }
    return *numerator / *denominator;
}

std::vector<std::string> frameRateOptions(const std::string& rate, const std::string& encoder,
                                          std::vector<std::string>& notes) {
    const std::optional<double> asked = frameRateValue(rate);
    if (!asked || (encoder != "mpeg1video" && encoder != "mpeg2video")) {
        return {"-r", rate};  // ffmpeg says what it cannot read
    }
    const FrameRate* nearest = &kMpegFrameRates.front();
    for (const FrameRate& candidate : kMpegFrameRates) {
        if (std::fabs(candidate.value - *asked) < std::fabs(nearest->value - *asked)) {
            nearest = &candidate;
        }
    }
    if (std::fabs(nearest->value - *asked) > 1e-6) {
        notes.push_back(std::string(encoder == "mpeg1video" ? "MPEG-1" : "MPEG-2") +
                        " video does not take " + rate + " frames/s; using " +
                        std::string(nearest->shown));
    }
    return {"-r", std::string(nearest->argument)};
}

// The container: the output name's extension, else what -of (or -of lavf with
// -lavfopts format=NAME) asks for.
std::optional<std::string> outputMuxer(const MencoderCommand& command) {
    if (std::optional<std::string> muxer = muxerForOutputPath(command.output)) {
        return muxer;
    }
    if (!command.outputFormat) {
        return std::nullopt;
    }
    if (*command.outputFormat == "lavf") {
        const auto format = command.lavfOptions.find("format");
        if (format == command.lavfOptions.end()) {
            return std::nullopt;
        }
        return format->second;
    }
    return command.outputFormat;
}

// The bit rates MP2 frames can signal, in kbit/s: MPEG-1 at 32 kHz and above, MPEG-2 below.
const std::vector<double>& mp2BitRates(long long sampleRate) {
    static const std::vector<double> mpeg1 = {32,  48,  56,  64,  80,  96,  112,
                                              128, 160, 192, 224, 256, 320, 384};
    static const std::vector<double> mpeg2 = {8,  16, 24, 32,  40,  48,  56,
                                              64, 80, 96, 112, 128, 144, 160};
    return sampleRate >= 32000 ? mpeg1 : mpeg2;
}

// Sample rate and bit rate of MP2 audio from an input whose audio has `inputRate`.
void adaptMp2(ArgumentTranslation& translation, std::optional<long long> inputRate,
              const std::optional<std::string>& askedBitRate) {
    const EncoderRates rates = *encoderRates("mp2");
    long long rate = inputRate.value_or(44100);
    std::vector<std::string> options;
    if (inputRate) {
        rate = nearestRate(rates.rates, *inputRate);
        if (rate != *inputRate) {
            options.insert(options.end(), {"-ar", std::to_string(rate)});
            translation.notes.push_back(std::string(rates.name) + " does not take " +
                                        std::to_string(*inputRate) + " Hz; using " +
                                        std::to_string(rate) + " Hz");
        }
    }
    if (askedBitRate) {
        const std::optional<double> asked = decimal(*askedBitRate);
        if (!asked) {
            options.insert(options.end(), {"-b:a", kilobits(*askedBitRate)});
        } else {
            const std::vector<double>& bitRates = mp2BitRates(rate);
            double used = bitRates.front();
            for (double candidate : bitRates) {
                // Ascending order and "<=" make a tie go to the higher rate.
                if (std::fabs(candidate - *asked) <= std::fabs(used - *asked)) {
                    used = candidate;
                }
            }
            const std::string usedText = std::to_string(static_cast<long long>(used));
            if (std::fabs(used - *asked) > 1e-9) {
                translation.notes.push_back(std::string(rates.name) + " does not take " +
                                            *askedBitRate + " kbit/s at " + std::to_string(rate) +
                                            " Hz; using " + usedText + " kbit/s");
            }
            options.insert(options.end(), {"-b:a", usedText + "k"});
        }
    }
    addOutputOptions(translation, options);
}

}  // namespace

ArgumentTranslation translateMencoderArguments(const std::vector<std::string>& convArguments) {
    ArgumentTranslation result;
    result.ffmpegArguments = ffmpegFixedArguments();
    MencoderCommand command = readCommand(convArguments);
    result.outputPath = command.output;
    result.inputPath = command.input;
    if (!command.output.empty()) {
        result.temporaryPath = temporaryPathFor(command.output);
    }
    if (command.problem) {
        result.problem = command.problem;
        return result;
    }

    std::string audioEncoder;
    std::string videoEncoder;
    const std::vector<std::string> audio = audioOptions(command, audioEncoder, result.problem);
    const std::vector<std::string> video = videoOptions(command, videoEncoder, result.problem);
    const std::optional<std::string> muxer = outputMuxer(command);
    if (!muxer && !result.problem) {
        result.problem = "cannot tell the output format from the name " + command.output;
    }
    if (result.problem) {
        return result;
    }
    result.muxer = *muxer;
    result.video = VideoExpectation{*muxer, std::nullopt};

    auto& arguments = result.ffmpegArguments;
    // "V" leaves out cover pictures; "?" lets an input without sound through.
    arguments.insert(arguments.end(), {"-i", command.input, "-map", "0:V:0", "-map", "0:a:0?"});
    arguments.insert(arguments.end(), video.begin(), video.end());
    if (command.frameRate) {
        const std::vector<std::string> rate =
            frameRateOptions(*command.frameRate, videoEncoder, result.notes);
        arguments.insert(arguments.end(), rate.begin(), rate.end());
    }
    arguments.insert(arguments.end(), audio.begin(), audio.end());
    arguments.insert(arguments.end(), {"-f", result.muxer, result.temporaryPath});

    std::optional<std::string> mp2BitRate;
    if (const auto bitRate = command.lavcOptions.find("abitrate");
        audioEncoder == "mp2" && bitRate != command.lavcOptions.end()) {
        mp2BitRate = bitRate->second;
    }
    result.adaptToInput = [audioEncoder, mp2BitRate](ArgumentTranslation& translation,
                                                     const MediaFacts& input) {
        if (!input.hasVideo) {
            translation.problem = "the input has no video stream";
            return;
        }
        if (audioEncoder == "mp2" && input.hasAudio) {
            adaptMp2(translation, input.sampleRate, mp2BitRate);
        }
    };
    return result;
}
