#include "ArgumentTranslation.h"

#include "OutputPublishing.h"

#include <limits>

namespace {

// "-ar" and its per-stream forms such as "-ar:a" or "-ar:a:0"; likewise for "-ac".
bool isOutputSampleRateOption(std::string_view argument) {
    return argument == "-ar" || argument.starts_with("-ar:");
}

bool isOutputChannelsOption(std::string_view argument) {
    return argument == "-ac" || argument.starts_with("-ac:");
}

bool isVideoCodecOption(std::string_view argument) {
    return argument == "-vcodec" || argument == "-c:v" || argument == "-codec:v";
}

bool isAudioCodecOption(std::string_view argument) {
    return argument == "-acodec" || argument == "-c:a" || argument == "-codec:a";
}

bool isVideoBitRateOption(std::string_view argument) {
    return argument == "-b:v" || argument == "-vb" || argument == "-b";
}

bool isAmrNarrowBand(std::string_view codec) {
    return codec == "amr_nb" || codec == "libopencore_amrnb";
}

std::string rateNote(std::string_view encoder, long long requested, long long used) {
    return std::string(encoder) + " does not take " + std::to_string(requested) + " Hz; using " +
           std::to_string(used) + " Hz";
}

// Where the output options the mends look at are among the arguments (indices of values).
struct OutputOptions {
    std::optional<std::string> muxer;
    std::optional<std::size_t> videoCodec;
    std::optional<std::size_t> audioCodec;
    std::optional<std::size_t> size;
    std::optional<std::size_t> audioBitRate;
    std::vector<std::size_t> sampleRates;
    std::optional<std::size_t> channels;
    bool videoBitRate = false;
    bool noVideo = false;
    bool noAudio = false;
};

// Reads the options in arguments[start, end); every option but a flag needs a value before end.
OutputOptions findOutputOptions(const std::vector<std::string>& arguments, std::size_t start) {
    OutputOptions found;
    for (std::size_t i = start; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "-vn") {
            found.noVideo = true;
            continue;
        }
        if (option == "-an") {
            found.noAudio = true;
            continue;
        }
        if (i + 1 >= arguments.size()) {
            break;
        }
        const std::size_t value = i + 1;
        if (option == "-f") {
            found.muxer = arguments[value];
        } else if (isVideoCodecOption(option)) {
            found.videoCodec = value;
        } else if (isAudioCodecOption(option)) {
            found.audioCodec = value;
        } else if (option == "-s") {
            found.size = value;
        } else if (option == "-ab" || option == "-b:a") {
            found.audioBitRate = value;
        } else if (isVideoBitRateOption(option)) {
            found.videoBitRate = true;
        } else if (isOutputSampleRateOption(option)) {
            found.sampleRates.push_back(value);
        } else if (isOutputChannelsOption(option)) {
            found.channels = value;
        } else {
            continue;
        }
        ++i;
    }
    return found;
}

// "ffmpeg has no AMR-NB encoder; using AAC instead (8000 Hz, 1 channel, 12.2k)"
std::string amrNote(const std::vector<std::string>& arguments, const OutputOptions& found) {
    std::string asked;
    const auto add = [&](const std::string& part) { asked += (asked.empty() ? "" : ", ") + part; };
    if (!found.sampleRates.empty()) {
        add(arguments[found.sampleRates.back()] + " Hz");
    }
    if (found.channels) {
        const std::string& channels = arguments[*found.channels];
        add(channels + (channels == "1" ? " channel" : " channels"));
    }
    if (found.audioBitRate) {
        add(arguments[*found.audioBitRate]);
    }
    return "ffmpeg has no AMR-NB encoder; using AAC instead" +
           (asked.empty() ? std::string() : " (" + asked + ")");
}

std::string sizeNote(FrameSize asked, FrameSize used) {
    return "RealVideo 1 takes only sizes in multiples of 16; using " + formatFrameSize(used) +
           " for " + formatFrameSize(asked);
}

}  // namespace

const std::vector<std::string>& ffmpegFixedArguments() {
    static const std::vector<std::string> fixed = {"-nostdin",   "-hide_banner", "-loglevel",
                                                   "level+info", "-xerror",      "-progress",
                                                   "pipe:1",     "-nostats"};
    return fixed;
}

const std::vector<long long>& mp3SampleRates() {
    static const std::vector<long long> rates = {8000,  11025, 12000, 16000, 22050,
                                                 24000, 32000, 44100, 48000};
    return rates;
}

long long nearestMp3SampleRate(long long hertz) {
    return nearestRate(mp3SampleRates(), hertz);
}

std::optional<long long> parsePlainRate(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    constexpr long long kLimit = std::numeric_limits<long long>::max() / 10 - 10;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        if (value < kLimit) {
            value = value * 10 + (c - '0');
        }
    }
    return value;
}

bool hasMp3Extension(std::string_view path) {
    if (path.size() < 4) {
        return false;
    }
    const std::string_view tail = path.substr(path.size() - 4);
    const char* expected = ".mp3";
    for (std::size_t i = 0; i < 4; ++i) {
        char c = tail[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != expected[i]) {
            return false;
        }
    }
    return true;
}

void addOutputOptions(ArgumentTranslation& translation, const std::vector<std::string>& options) {
    auto& arguments = translation.ffmpegArguments;
    arguments.insert(arguments.empty() ? arguments.end() : arguments.end() - 1, options.begin(),
                     options.end());
}

std::optional<EncoderRates> encoderRates(std::string_view encoder) {
    static const std::vector<long long> ac3 = {32000, 44100, 48000};
    static const std::vector<long long> mp2 = {16000, 22050, 24000, 32000, 44100, 48000};
    static const std::vector<long long> aac = {7350,  8000,  11025, 12000, 16000, 22050, 24000,
                                               32000, 44100, 48000, 64000, 88200, 96000};
    static const std::vector<long long> opus = {8000, 12000, 16000, 24000, 48000};
    if (encoder == "libmp3lame" || encoder == "mp3") {
        return EncoderRates{"the MP3 encoder", mp3SampleRates()};
    }
    if (encoder == "ac3") {
        return EncoderRates{"the AC-3 encoder", ac3};
    }
    if (encoder == "mp2") {
        return EncoderRates{"the MP2 encoder", mp2};
    }
    if (encoder == "aac") {
        return EncoderRates{"the AAC encoder", aac};
    }
    if (encoder == "libopus") {
        return EncoderRates{"the Opus encoder", opus};
    }
    return std::nullopt;
}

long long nearestRate(const std::vector<long long>& rates, long long hertz) {
    long long best = rates.front();
    long long bestDistance = std::numeric_limits<long long>::max();
    for (long long rate : rates) {
        const long long distance = hertz > rate ? hertz - rate : rate - hertz;
        // Ascending order and "<=" make a tie go to the higher rate.
        if (distance <= bestDistance) {
            best = rate;
            bestDistance = distance;
        }
    }
    return best;
}

ArgumentTranslation translateArguments(const std::vector<std::string>& coderArguments,
                                       const TranslationOptions& options) {
    ArgumentTranslation result;
    result.ffmpegArguments = ffmpegFixedArguments();
    if (coderArguments.empty()) {
        return result;
    }
    result.outputPath = coderArguments.back();
    result.temporaryPath = temporaryPathFor(result.outputPath);
    result.cut = readInputCut(coderArguments);

    // Options before the last "-i INPUT" describe inputs ("-ar" there sets the rate of a raw
    // input), so only the ones after it are output options and get mapped.
    std::size_t outputOptionsStart = 0;
    for (std::size_t i = 0; i + 1 < coderArguments.size(); ++i) {
        if (coderArguments[i] == "-i") {
            outputOptionsStart = i + 2;
            result.inputPath = coderArguments[i + 1];
        }
    }

    // The last argument is the output path itself and is never read as an option value.
    std::vector<std::string> arguments(coderArguments.begin(), coderArguments.end() - 1);
    const OutputOptions found = findOutputOptions(arguments, outputOptionsStart);

    if (found.muxer) {
        result.muxer = *found.muxer;
    } else if (const std::optional<std::string> muxer = muxerForOutputPath(result.outputPath)) {
        result.muxer = *muxer;
    } else {
        result.problem = "cannot tell the output format from the name " + result.outputPath +
                         " (give it with -f)";
    }

    std::vector<std::string> added;
    std::optional<std::string> audioEncoder;
    std::optional<std::string> videoEncoder;
    if (found.audioCodec) {
        std::string& codec = arguments[*found.audioCodec];
        if (options.amrStandIn && isAmrNarrowBand(codec)) {
            codec = "aac";
            result.notes.push_back(amrNote(arguments, found));
        }
        audioEncoder = codec;
    }
    if (found.videoCodec) {
        videoEncoder = arguments[*found.videoCodec];
    }

    const std::optional<VideoContainer> container = videoContainer(result.muxer);
    if (container && !found.noVideo) {
        result.video = VideoExpectation{result.muxer, std::nullopt};
        // ffmpeg 5 reads "-b" as both bit rates and warns; these commands mean the video's.
        for (std::size_t i = outputOptionsStart; i + 1 < arguments.size(); ++i) {
            if (arguments[i] == "-b") {
                arguments[i] = "-b:v";
            }
        }
        if (!videoEncoder) {
            videoEncoder = std::string(container->videoCodec);
            added.insert(added.end(), {"-vcodec", *videoEncoder});
            if (!found.videoBitRate) {
                added.insert(added.end(), {"-q:v", "3"});
            }
        }
        if (!audioEncoder && !found.noAudio) {
            audioEncoder = std::string(container->audioCodec);
            added.insert(added.end(), {"-acodec", *audioEncoder});
        }
    } else if (!audioEncoder && hasMp3Extension(result.outputPath)) {
        audioEncoder = "libmp3lame";
    } else if (!audioEncoder && !found.noAudio) {
        const std::string_view own = audioFormatEncoder(result.muxer);
        audioEncoder = own.empty() ? std::nullopt : std::optional<std::string>(own);
    }

    if (found.channels) {
        result.expected.channels = parsePlainRate(arguments[*found.channels]);
    }
    const std::optional<EncoderRates> rates =
        audioEncoder ? encoderRates(*audioEncoder) : std::nullopt;
    for (std::size_t at : found.sampleRates) {
        std::string& value = arguments[at];
        const std::optional<long long> requested = parsePlainRate(value);
        std::optional<long long> used = requested;
        if (requested && rates) {
            used = nearestRate(rates->rates, *requested);
        }
        result.expected.sampleRate = used;
        if (used && used != requested) {  // otherwise ffmpeg reports what it cannot read
            result.notes.push_back(rateNote(rates->name, *requested, *used));
            value = std::to_string(*used);
        }
    }

    if (!result.video) {
        result.audioEncoder = audioEncoder.value_or("");
        planAudioOutput(result, !found.sampleRates.empty(), found.channels.has_value());
    }

    if (result.video && found.size) {
        std::string& value = arguments[*found.size];
        if (const std::optional<FrameSize> asked = parseFrameSize(value)) {
            result.video->size = asked;
            if (videoEncoder == "rv10" && realVideoSize(*asked) != *asked) {
                result.video->size = realVideoSize(*asked);
                result.notes.push_back(sizeNote(*asked, *result.video->size));
                value = formatFrameSize(*result.video->size);
            }
        }
    } else if (result.video && videoEncoder == "rv10") {
        result.adaptToInput = [](ArgumentTranslation& translation, const MediaFacts& input) {
            if (!input.videoSize || !translation.video) {
                return;  // nothing to round; the output check finds the missing video
            }
            const FrameSize used = realVideoSize(*input.videoSize);
            translation.video->size = used;
            if (used != *input.videoSize) {
                addOutputOptions(translation, {"-s", formatFrameSize(used)});
                translation.notes.push_back(sizeNote(*input.videoSize, used));
            }
        };
    }

    result.ffmpegArguments.insert(result.ffmpegArguments.end(), arguments.begin(), arguments.end());
    result.ffmpegArguments.insert(result.ffmpegArguments.end(), added.begin(), added.end());
    if (!found.muxer && !result.muxer.empty()) {
        result.ffmpegArguments.push_back("-f");
        result.ffmpegArguments.push_back(result.muxer);
    }
    result.ffmpegArguments.push_back(result.temporaryPath);
    return result;
}
