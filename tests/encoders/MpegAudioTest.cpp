// The MPEG audio reader on files Debian's ffmpeg writes, and on damaged ones.

#include "CoderTestSupport.h"
#include "TempFolder.h"
#include "TestProcess.h"
#include "common/ExecutableLookup.h"
#include "common/MpegAudio.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<unsigned char>;

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

// `source` encoded by ffmpeg with `options`, as bytes.
Bytes encode(const TempFolder& folder, const std::string& source,
             const std::vector<std::string>& options, const std::string& format) {
    const char* path = std::getenv("PATH");
    const std::string ffmpeg =
        findExecutable("ffmpeg", path != nullptr ? path : "/usr/bin:/bin").value_or("ffmpeg");
    std::vector<std::string> arguments = {"-nostdin", "-v", "error", "-i", source, "-y", "-vn"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const std::string output = folder.file("encoded." + format);
    arguments.insert(arguments.end(), {"-f", format, output});
    const ProcessResult result = runProcess(ffmpeg, arguments, {}, 60s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return bytesOf(readFile(output));
}

struct Found {
    std::size_t tagBytes = 0;
    std::optional<MpegAudioStart> start;
};

Found read(const Bytes& file) {
    Found found;
    found.tagBytes = id3v2TagBytes(file);
    if (found.tagBytes <= file.size()) {
        found.start = findMpegAudioStart(std::span(file).subspan(found.tagBytes), true);
    }
    return found;
}

TEST(MpegAudio, ReadsWhatFfmpegWrites) {
    struct Case {
        std::string source;
        std::vector<std::string> options;
        std::string format;
        MpegVersion version;
        int layer;
        int sampleRate;
        int channels;
    };
    const std::vector<Case> cases = {
        {"tone-44k-stereo-16bit-c2000.ape",
         {"-ar", "44100", "-ac", "2", "-ab", "128k"},
         "mp3",
         MpegVersion::Mpeg1,
         3,
         44100,
         2},
        {"speech-22k-mono-16bit-c1000.ape",
         {"-ar", "22050", "-ac", "1", "-ab", "64k"},
         "mp3",
         MpegVersion::Mpeg2,
         3,
         22050,
         1},
        {"speech-22k-mono-16bit-c1000.ape",
         {"-ar", "12000", "-ac", "1", "-ab", "32k"},
         "mp3",
         MpegVersion::Mpeg25,
         3,
         12000,
         1},
        // Text tags in front (a larger ID3v2 tag) and the highest rate.
        {"tagged-44k-stereo.ape",
         {"-ar", "48000", "-ac", "2", "-ab", "320k"},
         "mp3",
         MpegVersion::Mpeg1,
         3,
         48000,
         2},
        {"tone-44k-stereo-16bit-c2000.ape",
         {"-c:a", "mp2", "-ar", "32000"},
         "mp2",
         MpegVersion::Mpeg1,
         2,
         32000,
         2},
    };
    TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source + " " + std::to_string(c.sampleRate) + " " + c.format);
        const Bytes file = encode(folder, apeFixture(c.source), c.options, c.format);
        const Found found = read(file);
        ASSERT_TRUE(found.start.has_value());
        const MpegAudioFrameHeader& header = found.start->header;
        EXPECT_EQ(header.version, c.version);
        EXPECT_EQ(header.layer, c.layer);
        EXPECT_EQ(header.sampleRate, c.sampleRate);
        EXPECT_EQ(header.channels, c.channels);
        EXPECT_EQ(found.start->offset, 0U) << "the frames start right after the tag";
        if (c.format == "mp3") {
            EXPECT_GT(found.tagBytes, 10U) << "ffmpeg's mp3 muxer writes an ID3v2 tag";
        }

        // Every frame length is right: walking the stream from the first header lands on a
        // header each time, up to the end of the file.
        std::size_t offset = found.tagBytes + found.start->offset;
        int frames = 0;
        while (offset + 4 <= file.size()) {
            const std::optional<MpegAudioFrameHeader> frame =
                parseMpegAudioFrameHeader(std::span(file).subspan(offset));
            ASSERT_TRUE(frame.has_value()) << "no header at " << offset << " after " << frames;
            ASSERT_GT(frame->frameBytes, 0U);
            offset += frame->frameBytes;
            ++frames;
        }
        EXPECT_EQ(offset, file.size());
        EXPECT_GT(frames, 20);
    }
}

TEST(MpegAudio, DamagedOrForeignBytesHoldNoStream) {
    TempFolder folder;
    const Bytes good = encode(folder, apeFixture("tone-44k-stereo-16bit-c2000.ape"),
                              {"-ar", "44100", "-ac", "2", "-ab", "128k"}, "mp3");
    const std::size_t tag = id3v2TagBytes(good);
    ASSERT_GT(tag, 10U);
    const Bytes frames(good.begin() + static_cast<std::ptrdiff_t>(tag), good.end());

    // Too short to hold anything.
    EXPECT_FALSE(parseMpegAudioFrameHeader(std::span(frames).first(3)).has_value());
    EXPECT_FALSE(findMpegAudioStart(std::span(frames).first(3), true).has_value());
    EXPECT_EQ(id3v2TagBytes(std::span(good).first(9)), 0U);

    // Text, and text with a lone frame sync in it.
    EXPECT_FALSE(findMpegAudioStart(bytesOf("Two lines of plain English text.\n"), true));
    Bytes stray = bytesOf(std::string(600, 'x'));
    stray[100] = 0xFF;
    stray[101] = 0xFB;
    stray[102] = 0x90;
    stray[103] = 0x00;
    EXPECT_TRUE(parseMpegAudioFrameHeader(std::span(stray).subspan(100)).has_value());
    EXPECT_FALSE(findMpegAudioStart(stray, true).has_value());

    // The first frame cut off by the end of the file.
    const std::optional<MpegAudioFrameHeader> first = parseMpegAudioFrameHeader(frames);
    ASSERT_TRUE(first.has_value());
    EXPECT_FALSE(findMpegAudioStart(std::span(frames).first(first->frameBytes - 1), true));
    // ... but a whole single frame is a stream (what ffmpeg writes for an input with no audio).
    EXPECT_TRUE(findMpegAudioStart(std::span(frames).first(first->frameBytes), true));

    // Reserved values in an otherwise good header.
    for (const auto& [index, value] :
         std::vector<std::pair<std::size_t, unsigned char>>{{1, 0xEB},     // version "reserved"
                                                            {1, 0xF9},     // layer "reserved"
                                                            {2, 0xF0},     // bit rate index 15
                                                            {2, 0x9C},     // sample rate index 3
                                                            {3, 0x02}}) {  // emphasis "reserved"
        Bytes bad(frames.begin(), frames.begin() + 4);
        bad[index] = value;
        EXPECT_FALSE(parseMpegAudioFrameHeader(bad).has_value()) << index << " " << int(value);
    }

    // A second header that does not match the first: the first is not taken as the start.
    Bytes mismatched = frames;
    mismatched[first->frameBytes + 2] = 0x94;  // 44100 Hz -> 48000 Hz
    const std::optional<MpegAudioStart> later = findMpegAudioStart(mismatched, true);
    ASSERT_TRUE(later.has_value());
    EXPECT_GT(later->offset, 0U);

    // A tag whose size bytes are not 7-bit is no tag.
    Bytes badTag(good.begin(), good.begin() + 10);
    badTag[7] = 0x80;
    EXPECT_EQ(id3v2TagBytes(badTag), 0U);
}

}  // namespace
