#include "AudioOutput.h"

#include "ArgumentTranslation.h"
#include "CheckedIo.h"
#include "FlacCheck.h"

#include <fcntl.h>
#include <array>
#include <cstring>

namespace {

struct AudioFormat {
    std::string_view muxer;
    std::string_view name;        // for notes: "the FLAC encoder"
    std::string_view file;        // for reasons: "an Ogg file"
    std::string_view demuxer;     // one of ffprobe's format names for such a file
    std::string_view brandStart;  // M4A files have their own major brand in the MP4 family
    std::string_view encoder;     // ffmpeg's own for the container (Debian's build)
    int maxChannels;              // 0: as many as the encoder takes
};

constexpr std::array<AudioFormat, 5> kFormats = {{
    {"mp3", "MP3", "an MP3 file", "mp3", "", "libmp3lame", 2},
    {"flac", "FLAC", "a FLAC file", "flac", "", "flac", 0},
    {"opus", "Opus", "an Ogg file", "ogg", "", "libopus", 0},
    {"ogg", "Ogg", "an Ogg file", "ogg", "", "libvorbis", 0},
    {"ipod", "M4A", "an M4A file", "mov", "M4A", "aac", 0},
}};

const AudioFormat* audioFormat(std::string_view muxer) {
    for (const AudioFormat& format : kFormats) {
        if (format.muxer == muxer) {
            return &format;
        }
    }
    return nullptr;
}

// ffprobe's name for what an encoder writes; empty for one coder does not know.
std::string_view codecOf(std::string_view encoder) {
    constexpr std::array<std::pair<std::string_view, std::string_view>, 8> kCodecs = {{
        {"flac", "flac"},
        {"libopus", "opus"},
        {"opus", "opus"},
        {"libvorbis", "vorbis"},
        {"vorbis", "vorbis"},
        {"aac", "aac"},
        {"libmp3lame", "mp3"},
        {"alac", "alac"},
    }};
    for (const auto& [name, codec] : kCodecs) {
        if (name == encoder) {
            return codec;
        }
    }
    return {};
}

// FLAC keeps 16-bit samples (and 8-bit ones, widened: ffmpeg's FLAC encoder has no 8-bit mode)
// as 16 bits and everything else as 24, as ffmpeg's encoder picks them.
int flacBitsFor(std::string_view sampleFormat) {
    return sampleFormat.starts_with("u8") || sampleFormat.starts_with("s16") ? 16 : 24;
}

struct SourceFit {
    std::string encoderName;  // "the MP3 encoder"
    std::optional<std::vector<long long>> rates;
    int maxChannels = 0;
    bool rateGiven = false;
    bool channelsGiven = false;
    bool flac = false;
};

// Takes what the command leaves open from the source. `argumentsOpen`: ffmpeg has not been
// started, so what it must be told can still be added; otherwise ffmpeg chose the same itself.
void fitToSource(ArgumentTranslation& t, const SourceFit& fit, const MediaFacts& source,
                 bool argumentsOpen) {
    if (!source.hasAudio) {
        t.problem = "the input holds no audio stream";
        return;
    }
    if (!fit.rateGiven && source.sampleRate) {
        const long long used =
            fit.rates ? nearestRate(*fit.rates, *source.sampleRate) : *source.sampleRate;
        if (used != *source.sampleRate) {
            t.notes.push_back(fit.encoderName + " does not take " +
                              std::to_string(*source.sampleRate) + " Hz; using " +
                              std::to_string(used) + " Hz");
            if (argumentsOpen) {
                addOutputOptions(t, {"-ar", std::to_string(used)});
            }
        }
        t.expected.sampleRate = used;
    }
    if (!fit.channelsGiven && source.channels) {
        const long long used = fit.maxChannels > 0 && *source.channels > fit.maxChannels
                                   ? fit.maxChannels
                                   : *source.channels;
        if (used != *source.channels) {
            t.notes.push_back(fit.encoderName + " takes at most " + channelText(used) +
                              "; mixing the source's " + channelText(*source.channels) +
                              " down to " + std::to_string(used));
            if (argumentsOpen) {
                addOutputOptions(t, {"-ac", std::to_string(used)});
            }
        }
        t.expected.channels = used;
    }
    if (fit.flac && t.flac) {
        const int bits = flacBitsFor(source.sampleFormat);
        t.flac->bitsPerSample = bits;
        if (argumentsOpen) {
            // A rate or channel conversion keeps the source's bit depth.
            addOutputOptions(t, {"-sample_fmt", bits == 16 ? "s16" : "s32"});
        }
    }
}

long long littleEndian32(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<long long>(bytes[3]) << 24);
}

}  // namespace

std::string_view audioFormatEncoder(std::string_view muxer) {
    const AudioFormat* format = audioFormat(muxer);
    return format != nullptr ? format->encoder : std::string_view();
}

void planAudioOutput(ArgumentTranslation& translation, bool rateGiven, bool channelsGiven) {
    const AudioFormat* format = audioFormat(translation.muxer);
    if (format == nullptr || translation.problem) {
        return;
    }
    const std::string& encoder = translation.audioEncoder;
    SourceFit fit;
    fit.rateGiven = rateGiven;
    fit.channelsGiven = channelsGiven;
    fit.maxChannels = format->maxChannels;
    if (const std::optional<EncoderRates> rates = encoderRates(encoder)) {
        fit.encoderName = rates->name;
        fit.rates = rates->rates;
    } else {
        fit.encoderName = "the " + std::string(format->name) + " encoder";
    }
    if (translation.muxer != "mp3") {
        translation.audio = AudioExpectation{translation.muxer, std::string(codecOf(encoder))};
    }
    fit.flac = translation.muxer == "flac" && encoder == "flac";
    if (fit.flac) {
        translation.flac = FlacCheckPlan{};
    }

    // ffmpeg must be told a rate or channel count the encoder cannot take from the source, and
    // the sample format of a FLAC whose samples are converted: the source is read first. When
    // only the checks depend on it, it is read while ffmpeg runs.
    const bool beforeRun = (!rateGiven && fit.rates) || (fit.flac && (rateGiven || channelsGiven));
    if (!beforeRun && rateGiven && channelsGiven && !fit.flac) {
        return;
    }
    auto adapt = [fit, beforeRun](ArgumentTranslation& t, const MediaFacts& source) {
        fitToSource(t, fit, source, beforeRun);
    };
    if (beforeRun) {
        translation.adaptToInput = adapt;
    } else {
        translation.expectFromInput = adapt;
    }
}

std::optional<MediaFacts> readOggHead(const std::string& path) {
    // A page: "OggS", version, flags, granule position (8), serial (4), sequence (4), CRC (4),
    // the segment count and table; the first packet (the codec's identification header) starts
    // right after the table.
    const Descriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    unsigned char page[27 + 255 + 32] = {};
    if (file.fd() < 0 || !readFully(file.fd(), reinterpret_cast<char*>(page), 27, 0) ||
        std::memcmp(page, "OggS", 4) != 0) {
        return std::nullopt;
    }
    const std::size_t packet = 27 + page[26];
    if (!readFully(file.fd(), reinterpret_cast<char*>(page + 27), page[26] + 32U, 27)) {
        return std::nullopt;
    }
    const unsigned char* head = page + packet;
    MediaFacts facts;
    facts.formatName = "ogg";
    facts.hasAudio = true;
    if (std::memcmp(head, "OpusHead", 8) == 0) {
        facts.audioCodec = "opus";
        facts.channels = head[9];
        // Opus decodes at 48 kHz whatever it was given; the header keeps the rate the encoder
        // was fed (0 when unknown), which is the rate that was asked.
        const long long inputRate = littleEndian32(head + 12);
        facts.sampleRate = inputRate != 0 ? inputRate : 48000;
    } else if (std::memcmp(head, "\x01vorbis", 7) == 0) {
        facts.audioCodec = "vorbis";
        facts.channels = head[11];
        facts.sampleRate = littleEndian32(head + 12);
    } else {
        return std::nullopt;
    }
    return facts;
}

std::optional<std::string> audioOutputProblem(const MediaFacts& facts,
                                              const AudioExpectation& expected,
                                              const StreamExpectation& stream) {
    if (const AudioFormat* format = audioFormat(expected.muxer)) {
        if (std::optional<std::string> problem =
                containerProblem(facts, format->demuxer, format->brandStart, format->file)) {
            return problem;
        }
    }
    if (!facts.hasAudio) {
        return std::string("the output holds no audio stream");
    }
    std::string wanted;
    std::string found;
    const auto mismatch = [&](const std::string& want, const std::string& got) {
        wanted += (wanted.empty() ? "" : ", ") + want;
        found += (found.empty() ? "" : ", ") + got;
    };
    if (!expected.codec.empty() && facts.audioCodec != expected.codec) {
        mismatch(expected.codec, facts.audioCodec.empty() ? "no known codec" : facts.audioCodec);
    }
    if (stream.sampleRate && facts.sampleRate != stream.sampleRate) {
        mismatch(std::to_string(*stream.sampleRate) + " Hz",
                 facts.sampleRate ? std::to_string(*facts.sampleRate) + " Hz" : "no rate");
    }
    if (stream.channels && facts.channels != stream.channels) {
        mismatch(channelText(*stream.channels),
                 facts.channels ? channelText(*facts.channels) : "no channels");
    }
    if (!wanted.empty()) {
        return "the audio stream is not as asked: expected " + wanted + ", found " + found;
    }
    return std::nullopt;
}
