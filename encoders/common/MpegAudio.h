#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>

// Reading the start of an MPEG audio file (MP3 and its Layer I/II relatives) without decoding:
// the ID3v2 tag in front, then the first frame header.

enum class MpegVersion { Mpeg1, Mpeg2, Mpeg25 };

struct MpegAudioFrameHeader {
    MpegVersion version = MpegVersion::Mpeg1;
    int layer = 0;        // 1, 2 or 3
    int bitRate = 0;      // kbit/s; 0 for a free-format stream
    int sampleRate = 0;   // Hz
    int channels = 0;     // 1 for mono, 2 for the stereo modes
    bool padded = false;  // one extra slot in this frame
    // Bytes from this header to the next one; 0 for a free-format stream (not knowable).
    std::size_t frameBytes = 0;
};

// The header in the first four bytes of `bytes`, or nullopt when they are not a valid one
// (no sync, or a reserved version, layer, bit rate, sample rate or emphasis).
std::optional<MpegAudioFrameHeader> parseMpegAudioFrameHeader(std::span<const unsigned char> bytes);

// The size of the ID3v2 tag at the start of `bytes`, its 10-byte header and any footer
// included; 0 when there is no well-formed tag header there. Only the first 10 bytes are read.
std::size_t id3v2TagBytes(std::span<const unsigned char> bytes);

struct MpegAudioStart {
    std::size_t offset = 0;  // in the bytes searched
    MpegAudioFrameHeader header;
};

// The first frame in `bytes` (taken from right after any ID3v2 tag). A header only counts
// when the frame it starts is followed by a matching header (same version, layer and rate),
// by an ID3v1 tag, or by the end of the file, so a stray 0xFF byte pair is not taken for
// audio. `endOfFile`: `bytes` reach the end of the file.
std::optional<MpegAudioStart> findMpegAudioStart(std::span<const unsigned char> bytes,
                                                 bool endOfFile);

// "MPEG-1 Layer III" and the like.
std::string describeMpegAudio(MpegVersion version, int layer);
