// coder with Debian's ffmpeg writing FLAC, Ogg Opus, M4A, Ogg Vorbis and VBR MP3: the stream
// each holds (read back with ffprobe), FLAC's samples against the source's, every tag and the
// front cover (read back with TagLib), the source's rate kept or mapped, and a FLAC whose frames
// or STREAMINFO MD5 change after ffmpeg wrote them caught.

#include "CoderTestSupport.h"
#include "TempFolder.h"
#include "TestProcess.h"
#include "common/ExecutableLookup.h"

#include <gtest/gtest.h>

#include <attachedpictureframe.h>
#include <flacfile.h>
#include <id3v2tag.h>
#include <mp4file.h>
#include <mpegfile.h>
#include <opusfile.h>
#include <tpropertymap.h>
#include <vorbisfile.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Fields = std::map<std::string, std::string>;

// ffprobe's format and first audio stream as "key=value" pairs.
Fields probe(const std::string& file) {
    const ProcessResult result = runProcess(
        tool("ffprobe"),
        {"-v", "error", "-select_streams", "a:0", "-show_entries",
         "format=format_name,duration:stream=codec_name,sample_rate,channels,bits_per_raw_sample",
         "-of", "default=noprint_wrappers=1", file},
        {}, 60s);
    Fields values;
    for (const std::string& line : result.outLines()) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos) {
            values.emplace(line.substr(0, equals), line.substr(equals + 1));
        }
    }
    return values;
}

// The MD5 of the samples ffmpeg decodes from `file`, as `codec` (pcm_s16le, pcm_s32le).
std::string decodedMd5(const std::string& file, const std::string& codec) {
    const ProcessResult result = runProcess(
        tool("ffmpeg"),
        {"-nostdin", "-v", "error", "-i", file, "-map", "0:a:0", "-c:a", codec, "-f", "md5", "-"},
        {}, 60s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.out;
}

std::string text(const TagLib::String& value) {
    return value.to8Bit(true);
}

struct Tags {
    Fields fields;  // every value of a field joined by ";"
    std::string coverMimeType;
    std::string cover;
};

Fields fieldsOf(const TagLib::PropertyMap& properties) {
    Fields fields;
    for (const auto& [key, values] : properties) {
        fields[text(key)] = text(values.toString(";"));
    }
    return fields;
}

void takeCover(Tags& tags, const TagLib::String& mimeType, const TagLib::ByteVector& data) {
    tags.coverMimeType = text(mimeType);
    tags.cover.assign(data.data(), data.size());
}

void takeFlacCover(Tags& tags, const TagLib::List<TagLib::FLAC::Picture*>& pictures) {
    for (const TagLib::FLAC::Picture* picture : pictures) {
        if (picture->type() == TagLib::FLAC::Picture::FrontCover) {
            takeCover(tags, picture->mimeType(), picture->data());
        }
    }
}

// The tag of `file` as TagLib reads it for its container, by the name's extension.
Tags readTags(const std::string& file) {
    Tags tags;
    const std::string extension = file.substr(file.rfind('.') + 1);
    if (extension == "flac") {
        TagLib::FLAC::File flac(file.c_str(), false);
        tags.fields = fieldsOf(flac.properties());
        takeFlacCover(tags, flac.pictureList());
    } else if (extension == "opus") {
        TagLib::Ogg::Opus::File opus(file.c_str(), false);
        tags.fields = fieldsOf(opus.properties());
        takeFlacCover(tags, opus.tag()->pictureList());
    } else if (extension == "ogg") {
        TagLib::Ogg::Vorbis::File vorbis(file.c_str(), false);
        tags.fields = fieldsOf(vorbis.properties());
        takeFlacCover(tags, vorbis.tag()->pictureList());
    } else if (extension == "m4a") {
        TagLib::MP4::File mp4(file.c_str(), false);
        tags.fields = fieldsOf(mp4.properties());
        for (const auto& [key, item] : mp4.tag()->itemMap()) {
            if (key.startsWith("----:")) {  // freeform atoms are not among the properties
                tags.fields[text(key)] = text(item.toStringList().toString(";"));
            }
        }
        const TagLib::MP4::CoverArtList covers = mp4.tag()->item("covr").toCoverArtList();
        if (!covers.isEmpty()) {
            const bool png = covers.front().format() == TagLib::MP4::CoverArt::PNG;
            takeCover(tags, png ? "image/png" : "other", covers.front().data());
        }
    } else if (extension == "mp3") {
        TagLib::MPEG::File mp3(file.c_str(), false);
        tags.fields = fieldsOf(mp3.properties());
        for (const TagLib::ID3v2::Frame* frame : mp3.ID3v2Tag(true)->frameList("APIC")) {
            const auto* apic = dynamic_cast<const TagLib::ID3v2::AttachedPictureFrame*>(frame);
            takeCover(tags, apic->mimeType(), apic->picture());
        }
    }
    return tags;
}

// The -metadata options every case gives, as a CUE track's command adds its fields.
const std::vector<std::string> kOverrides = {"-metadata", "COMPOSER=Writer 作曲", "-metadata",
                                             "REPLAYGAIN_TRACK_GAIN=-6.50 dB"};

// tagged-cover.ape's tag and the overrides, in the containers' own forms.
Fields expectedFields(const std::string& extension, bool tagged) {
    Fields fields = {{"COMPOSER", "Writer 作曲"}, {"REPLAYGAIN_TRACK_GAIN", "-6.50 dB"}};
    if (extension == "m4a") {
        fields.erase("REPLAYGAIN_TRACK_GAIN");
        fields["----:com.apple.iTunes:replaygain_track_gain"] = "-6.50 dB";
    }
    if (!tagged) {
        return fields;
    }
    const Fields tag = {{"TITLE", "Night Train 夜车"},
                        {"ARTIST", "Test Artist"},
                        {"ALBUM", "Fixtures Vol. 2"},
                        {"ALBUMARTIST", "Various Artists"},
                        {"DATE", "2003"},
                        {"GENRE", "Jazz"},
                        {"COMMENT", "a comment"}};
    fields.insert(tag.begin(), tag.end());
    if (extension == "m4a" || extension == "mp3") {
        fields.insert({{"TRACKNUMBER", "7/9"}, {"DISCNUMBER", "2/2"}});
    } else {  // Vorbis comments keep the totals in fields of their own
        fields.insert(
            {{"TRACKNUMBER", "7"}, {"TRACKTOTAL", "9"}, {"DISCNUMBER", "2"}, {"DISCTOTAL", "2"}});
    }
    return fields;
}

class CoderFormats : public ::testing::Test {
protected:
    // coder -i SOURCE -y -vn OPTIONS... [OVERRIDES] OUTPUT, run by `ffmpeg` when one is given.
    ProcessResult convert(const std::string& source, const std::vector<std::string>& options,
                          const std::string& output, const std::string& ffmpeg = {}) {
        std::vector<std::string> arguments = {"-i", source, "-y", "-vn"};
        arguments.insert(arguments.end(), options.begin(), options.end());
        arguments.insert(arguments.end(), kOverrides.begin(), kOverrides.end());
        arguments.push_back(output);
        ProcessOptions run;
        if (!ffmpeg.empty()) {
            run.environment = {{"VORDANA_FFMPEG", ffmpeg}, {"REAL_FFMPEG", tool("ffmpeg")}};
        }
        ProcessResult result = runProcess(kCoderPath, arguments, run, 120s);
        EXPECT_FALSE(result.timedOut) << result.out;
        EXPECT_EQ(result.err, "") << "coder prints everything to stdout";
        return result;
    }

    TempFolder m_folder;
};

TEST_F(CoderFormats, EachFormatHoldsTheAskedStreamTheSourcesSamplesTagsAndCover) {
    struct Case {
        std::string source;
        std::vector<std::string> options;
        const char* output;
        const char* container;  // ffprobe's format name
        const char* codec;
        int rate;
        const char* pcm;  // the form FLAC's samples are compared in; null for lossy codecs
    };
    const std::string tagged = "tagged-cover.ape";
    const std::string deep = "music-48k-stereo-24bit-c3000.ape";  // untagged, 48 kHz
    const std::vector<Case> cases = {
        {tagged,
         {"-c:a", "flac", "-compression_level", "5"},
         "a.flac",
         "flac",
         "flac",
         44100,
         "pcm_s16le"},
        {deep,
         {"-c:a", "flac", "-compression_level", "8"},
         "b.flac",
         "flac",
         "flac",
         48000,
         "pcm_s32le"},
        {tagged,
         {"-ar", "48000", "-c:a", "libopus", "-b:a", "160k"},
         "c.opus",
         "ogg",
         "opus",
         48000,
         nullptr},
        {tagged,
         {"-c:a", "aac", "-b:a", "256k"},
         "d.m4a",
         "mov,mp4,m4a,3gp,3g2,mj2",
         "aac",
         44100,
         nullptr},
        {deep,
         {"-c:a", "aac", "-b:a", "256k"},
         "e.m4a",
         "mov,mp4,m4a,3gp,3g2,mj2",
         "aac",
         48000,
         nullptr},
        {tagged, {"-c:a", "libvorbis", "-q:a", "6"}, "f.ogg", "ogg", "vorbis", 44100, nullptr},
        {tagged, {"-q:a", "2"}, "g.mp3", "mp3", "mp3", 44100, nullptr},
    };
    const std::string taggedBytes = readFile(apeFixture(tagged));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        const std::string source = apeFixture(c.source);
        const std::string output = m_folder.file(c.output);
        const ProcessResult result = convert(source, c.options, output);
        ASSERT_EQ(result.exitCode, 0) << result.out;
        EXPECT_FALSE(fileExists(m_folder.file(std::string(".") + c.output + ".part")));
        // The progress the program reads, and nothing else: no warning about the temporary
        // name, none about the samples' width.
        int banners = 0;
        for (const std::string& line : result.outLines()) {
            banners += startsWith(line, "  Duration: ") ? 1 : 0;
            EXPECT_TRUE(startsWith(line, "  Duration: ") || startsWith(line, "time=")) << line;
        }
        EXPECT_EQ(banners, 1);
        EXPECT_TRUE(startsWith(lastLine(result), "time=")) << result.out;

        const Fields stream = probe(output);
        const Fields original = probe(source);
        EXPECT_EQ(stream.at("format_name"), c.container);
        EXPECT_EQ(stream.at("codec_name"), c.codec);
        EXPECT_EQ(std::stoi(stream.at("sample_rate")), c.rate);
        EXPECT_EQ(stream.at("channels"), "2");
        EXPECT_NEAR(std::stod(stream.at("duration")), std::stod(original.at("duration")), 0.1);
        if (stream.at("codec_name") == "opus") {
            // OpusHead: "OpusHead", version, channels, then the pre-skip (little-endian).
            const std::string bytes = readFile(output);
            const std::size_t head = bytes.find("OpusHead");
            ASSERT_NE(head, std::string::npos);
            EXPECT_EQ(static_cast<unsigned char>(bytes.at(head + 10)) |
                          static_cast<unsigned char>(bytes.at(head + 11)) << 8,
                      312)
                << "libopus's pre-skip, for gapless play";
        }
        if (c.pcm != nullptr) {  // FLAC keeps the source's bit depth and every sample
            EXPECT_EQ(stream.at("bits_per_raw_sample"), c.source == deep ? "24" : "16");
            EXPECT_EQ(decodedMd5(output, c.pcm), decodedMd5(source, c.pcm)) << "not bit-exact";
        }

        const std::string extension = std::string(c.output).substr(2);
        const Tags tags = readTags(output);
        EXPECT_EQ(tags.fields, expectedFields(extension, c.source == tagged));
        if (c.source == tagged) {
            EXPECT_EQ(tags.coverMimeType, "image/png");
            EXPECT_EQ(tags.cover.size(), 788U);
            EXPECT_NE(taggedBytes.find(tags.cover), std::string::npos) << "not the source's cover";
        } else {
            EXPECT_TRUE(tags.cover.empty());
        }
    }
}

TEST_F(CoderFormats, WithoutARateTheEncoderGetsTheNearestRateItTakes) {
    struct Case {
        const char* rate;
        std::vector<std::string> options;
        const char* output;
        const char* note;
        const char* probed;  // Opus always decodes at 48 kHz, whatever it was fed
    };
    const std::vector<Case> cases = {
        {"96000",
         {"-q:a", "4"},
         "out.mp3",
         "the MP3 encoder does not take 96000 Hz; using 48000 Hz",
         "48000"},
        {"22050",
         {"-c:a", "libopus", "-b:a", "64k"},
         "out.opus",
         "the Opus encoder does not take 22050 Hz; using 24000 Hz",
         "48000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.output);
        const std::string source = m_folder.file(std::string("tone-") + c.rate + ".wav");
        const ProcessResult made = runProcess(
            tool("ffmpeg"),
            {"-nostdin", "-v", "error", "-i", apeFixture("tone.wav"), "-ar", c.rate, source}, {},
            60s);
        ASSERT_EQ(made.exitCode, 0) << made.err;
        const std::string output = m_folder.file(c.output);
        const ProcessResult result = convert(source, c.options, output);
        ASSERT_EQ(result.exitCode, 0) << result.out;
        EXPECT_EQ(countLines(result, std::string("coder: ") + c.note), 1) << result.out;
        EXPECT_EQ(probe(output).at("sample_rate"), c.probed);
    }
}

TEST_F(CoderFormats, FlacWhoseBytesChangeAfterTheEncoderIsNotPublished) {
    // Stand-ins run the real ffmpeg and change the FLAC it wrote (the decoding run, which writes
    // no ".part", is left alone): a byte in the middle flipped before coder's decoder can read
    // the file (it is written elsewhere and renamed into place) or well after; a byte of the
    // MD5 in STREAMINFO (bytes 26 to 41) flipped, or the MD5 zeroed as by an encoder that
    // could not fill it.
    const std::string prelude =
        "flip() { at=${2:-$(( $(stat -c %s \"$1\") / 2 ))}; byte=$(od -An -tu1 -j $at -N1 \"$1\")\n"
        "  printf \"\\\\$(printf %03o $((byte ^ 255)))\" | "
        "dd of=\"$1\" bs=1 seek=$at conv=notrunc 2>/dev/null; }\n"
        "part=; for a; do case $a in *.part) part=$a;; esac; done\n"
        "[ -n \"$part\" ] || exec \"$REAL_FFMPEG\" \"$@\"\n";
    const std::string encode = "\"$REAL_FFMPEG\" \"$@\" || exit $?\n";
    const std::string doesNotDecode =
        "coder: conversion failed: the FLAC file does not decode to the source's samples";
    struct Case {
        const char* when;
        std::string body;
        std::string reason;
        bool more;  // the decoder may add what stopped it
    };
    const std::vector<Case> cases = {
        {"before",
         "for a; do shift; [ \"$a\" = \"$part\" ] && a=$a.x; set -- \"$@\" \"$a\"; done\n" +
             encode + "flip \"$part.x\"; mv \"$part.x\" \"$part\"\n",
         doesNotDecode, true},
        {"after", encode + "sleep 0.5; flip \"$part\"\n", doesNotDecode, false},
        {"MD5 changed", encode + "flip \"$part\" 30\n", doesNotDecode, false},
        {"MD5 empty", encode + "dd if=/dev/zero of=\"$part\" bs=1 seek=26 count=16 conv=notrunc\n",
         "coder: conversion failed: cannot check the FLAC file: it holds no MD5 of its samples",
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.when);
        const std::string standIn = m_folder.writeScript("ffmpeg", prelude + c.body);
        const std::string output = m_folder.write("out.flac", "");  // the program's reservation
        const ProcessResult result =
            convert(apeFixture("tagged-cover.ape"), {"-c:a", "flac", "-compression_level", "5"},
                    output, standIn);
        EXPECT_EQ(result.exitCode, 1) << result.out;
        EXPECT_TRUE(c.more ? startsWith(lastLine(result), c.reason) : lastLine(result) == c.reason)
            << result.out;
        EXPECT_EQ(folderEntries(m_folder.path()), std::vector<std::string>{"ffmpeg"})
            << "neither the output nor its temporary file may be left";
    }
}

}  // namespace
