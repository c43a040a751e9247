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

std::string rateNote(long long requested, long long used) {
    return "the MP3 encoder does not take " + std::to_string(requested) + " Hz; using " +
           std::to_string(used) + " Hz";
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
    long long best = mp3SampleRates().front();
    long long bestDistance = std::numeric_limits<long long>::max();
    for (long long rate : mp3SampleRates()) {
        const long long distance = hertz > rate ? hertz - rate : rate - hertz;
        // Ascending order and "<=" make a tie go to the higher rate.
        if (distance <= bestDistance) {
            best = rate;
            bestDistance = distance;
        }
    }
    return best;
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

ArgumentTranslation translateArguments(const std::vector<std::string>& coderArguments) {
    ArgumentTranslation result;
    result.ffmpegArguments = ffmpegFixedArguments();
    if (coderArguments.empty()) {
        return result;
    }
    result.outputPath = coderArguments.back();
    result.temporaryPath = temporaryPathFor(result.outputPath);
    result.cut = readInputCut(coderArguments);
    const bool mp3 = hasMp3Extension(result.outputPath);

    // Options before the last "-i INPUT" describe inputs ("-ar" there sets the rate of a raw
    // input), so only the ones after it are output options and get mapped.
    std::size_t outputOptionsStart = 0;
    for (std::size_t i = 0; i + 1 < coderArguments.size(); ++i) {
        if (coderArguments[i] == "-i") {
            outputOptionsStart = i + 2;
        }
    }

    // The last argument is the output path itself and is never read as an option value.
    const std::size_t last = coderArguments.size() - 1;
    std::optional<std::string> givenMuxer;
    for (std::size_t i = 0; i < last; ++i) {
        const std::string& argument = coderArguments[i];
        result.ffmpegArguments.push_back(argument);
        if (i < outputOptionsStart || i + 1 >= last) {
            continue;
        }
        if (argument == "-f") {
            givenMuxer = coderArguments[++i];
            result.ffmpegArguments.push_back(*givenMuxer);
            continue;
        }
        if (isOutputChannelsOption(argument)) {
            const std::string& value = coderArguments[++i];
            result.ffmpegArguments.push_back(value);
            result.expected.channels = parsePlainRate(value);
            continue;
        }
        if (!isOutputSampleRateOption(argument)) {
            continue;
        }
        const std::string& value = coderArguments[++i];
        const std::optional<long long> requested = parsePlainRate(value);
        std::optional<long long> used = requested;
        if (requested && mp3) {
            used = nearestMp3SampleRate(*requested);
        }
        result.expected.sampleRate = used;
        if (!used || used == requested) {
            result.ffmpegArguments.push_back(value);  // ffmpeg reports what it cannot read
        } else {
            result.ffmpegArguments.push_back(std::to_string(*used));
            result.notes.push_back(rateNote(*requested, *used));
        }
    }

    if (givenMuxer) {
        result.muxer = *givenMuxer;
    } else if (const std::optional<std::string> muxer = muxerForOutputPath(result.outputPath)) {
        result.muxer = *muxer;
        result.ffmpegArguments.push_back("-f");
        result.ffmpegArguments.push_back(*muxer);
    } else {
        result.problem = "cannot tell the output format from the name " + result.outputPath +
                         " (give it with -f)";
    }
    result.ffmpegArguments.push_back(result.temporaryPath);
    return result;
}
