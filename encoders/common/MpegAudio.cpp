#include "MpegAudio.h"

#include <array>

namespace {

// kbit/s by bit-rate index 1..14 (0 is free format, 15 is invalid).
constexpr std::array<std::array<int, 15>, 5> kBitRates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},  // MPEG-1 Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},     // MPEG-1 Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},      // MPEG-1 Layer III
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},     // MPEG-2/2.5 Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},  // MPEG-2/2.5 Layer II, III
}};

constexpr std::array<int, 3> kMpeg1Rates = {44100, 48000, 32000};

int bitRateRow(MpegVersion version, int layer) {
    if (version == MpegVersion::Mpeg1) {
        return layer - 1;
    }
    return layer == 1 ? 3 : 4;
}

}  // namespace

std::optional<MpegAudioFrameHeader> parseMpegAudioFrameHeader(
    std::span<const unsigned char> bytes) {
    if (bytes.size() < 4 || bytes[0] != 0xFF || (bytes[1] & 0xE0U) != 0xE0U) {
        return std::nullopt;
    }
    const unsigned versionBits = (bytes[1] >> 3) & 0x3U;
    const unsigned layerBits = (bytes[1] >> 1) & 0x3U;
    const unsigned bitRateIndex = (bytes[2] >> 4) & 0xFU;
    const unsigned rateIndex = (bytes[2] >> 2) & 0x3U;
    if (versionBits == 1 || layerBits == 0 || bitRateIndex == 15 || rateIndex == 3 ||
        (bytes[3] & 0x3U) == 2) {
        return std::nullopt;
    }

    MpegAudioFrameHeader header;
    header.version = versionBits == 3   ? MpegVersion::Mpeg1
                     : versionBits == 2 ? MpegVersion::Mpeg2
                                        : MpegVersion::Mpeg25;
    header.layer = static_cast<int>(4 - layerBits);
    const int divisor = header.version == MpegVersion::Mpeg1   ? 1
                        : header.version == MpegVersion::Mpeg2 ? 2
                                                               : 4;
    header.sampleRate = kMpeg1Rates[rateIndex] / divisor;
    header.bitRate =
        kBitRates[static_cast<std::size_t>(bitRateRow(header.version, header.layer))][bitRateIndex];
    header.padded = (bytes[2] & 0x2U) != 0;
    header.channels = ((bytes[3] >> 6) & 0x3U) == 3 ? 1 : 2;

    if (header.bitRate > 0) {
        const long long bitsPerSecond = header.bitRate * 1000LL;
        const long long pad = header.padded ? 1 : 0;
        long long size = 0;
        if (header.layer == 1) {
            size = (12 * bitsPerSecond / header.sampleRate + pad) * 4;
        } else if (header.layer == 3 && header.version != MpegVersion::Mpeg1) {
            size = 72 * bitsPerSecond / header.sampleRate + pad;  // 576 samples a frame
        } else {
            size = 144 * bitsPerSecond / header.sampleRate + pad;  // 1152 samples a frame
        }
        header.frameBytes = static_cast<std::size_t>(size);
    }
    return header;
}

std::size_t id3v2TagBytes(std::span<const unsigned char> bytes) {
    if (bytes.size() < 10 || bytes[0] != 'I' || bytes[1] != 'D' || bytes[2] != '3' ||
        bytes[3] == 0xFF || bytes[4] == 0xFF) {
        return 0;
    }
    std::size_t body = 0;
    for (std::size_t i = 6; i < 10; ++i) {
        if ((bytes[i] & 0x80U) != 0) {
            return 0;  // the size is stored 7 bits a byte
        }
        body = (body << 7) | bytes[i];
    }
    const bool footer = (bytes[5] & 0x10U) != 0;
    return 10 + body + (footer ? 10 : 0);
}

std::optional<MpegAudioStart> findMpegAudioStart(std::span<const unsigned char> bytes,
                                                 bool endOfFile) {
    for (std::size_t offset = 0; offset + 4 <= bytes.size(); ++offset) {
        const std::optional<MpegAudioFrameHeader> header =
            parseMpegAudioFrameHeader(bytes.subspan(offset));
        if (!header) {
            continue;
        }
        if (header->frameBytes == 0) {
            return MpegAudioStart{offset, *header};  // free format: the length is not known
        }
        const std::size_t next = offset + header->frameBytes;
        if (endOfFile && next == bytes.size()) {
            return MpegAudioStart{offset, *header};
        }
        if (next + 3 <= bytes.size() && bytes[next] == 'T' && bytes[next + 1] == 'A' &&
            bytes[next + 2] == 'G' && (!endOfFile || next + 128 == bytes.size())) {
            return MpegAudioStart{offset, *header};  // an ID3v1 tag after the only frame
        }
        if (next + 4 <= bytes.size()) {
            const std::optional<MpegAudioFrameHeader> following =
                parseMpegAudioFrameHeader(bytes.subspan(next));
            if (following && following->version == header->version &&
                following->layer == header->layer && following->sampleRate == header->sampleRate) {
                return MpegAudioStart{offset, *header};
            }
        }
    }
    return std::nullopt;
}

std::string describeMpegAudio(MpegVersion version, int layer) {
    std::string text = version == MpegVersion::Mpeg1   ? "MPEG-1"
                       : version == MpegVersion::Mpeg2 ? "MPEG-2"
                                                       : "MPEG-2.5";
    text += " Layer ";
    text += layer == 1 ? "I" : layer == 2 ? "II" : "III";
    return text;
}
