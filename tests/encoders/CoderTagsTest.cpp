// coder with Debian's ffmpeg: the MP3's ID3v2 tag comes from the source's own tags and front
// cover (APEv2, FLAC, Vorbis comments, MP4, ID3), -metadata options override them, the audio
// is kept byte for byte, and a tag that cannot be written fails the conversion. The MP3s are read
// back with TagLib, frame by frame.

#include "CoderTestSupport.h"
#include "TempFolder.h"
#include "TestProcess.h"
#include "common/ExecutableLookup.h"
#include "common/MpegAudio.h"

#include <gtest/gtest.h>

#include <attachedpictureframe.h>
#include <commentsframe.h>
#include <flacfile.h>
#include <flacpicture.h>
#include <id3v2frame.h>
#include <id3v2header.h>
#include <id3v2tag.h>
#include <mp4coverart.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <mpegfile.h>
#include <textidentificationframe.h>
#include <tpropertymap.h>
#include <vorbisfile.h>

#include <dirent.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Frames = std::map<std::string, std::string>;

TagLib::String utf8(const std::string& text) {
    return TagLib::String(text, TagLib::String::UTF8);
}

TagLib::ByteVector bytesOf(const std::string& text) {
    return TagLib::ByteVector(text.data(), static_cast<unsigned int>(text.size()));
}

std::string md5(const TempFolder& folder, const std::string& bytes) {
    const std::string path = folder.write("md5-input", bytes);
    const ProcessResult result = runProcess(tool("md5sum"), {path}, {}, 30s);
    return result.out.substr(0, result.out.find(' '));
}

struct Cover {
    std::string mimeType;
    std::string bytes;
};

// What an MP3's ID3v2 tag holds: every frame but APIC as "ID" -> text ("TXXX:DESCRIPTION" for
// user text frames; a second frame of the same key shows up as a failure), and the pictures.
struct Id3Tag {
    int version = 0;
    Frames frames;
    std::vector<Cover> frontCovers;
    int otherPictures = 0;
    bool textInUtf8 = true;
};

std::optional<Id3Tag> readId3(const std::string& mp3) {
    TagLib::MPEG::File file(mp3.c_str(), false);
    if (!file.isValid() || !file.hasID3v2Tag()) {
        return std::nullopt;
    }
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    Id3Tag result;
    result.version = static_cast<int>(tag->header()->majorVersion());
    for (TagLib::ID3v2::Frame* frame : tag->frameList()) {
        std::string key(frame->frameID().data(), frame->frameID().size());
        std::string value;
        if (auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frame)) {
            if (picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover) {
                const TagLib::ByteVector data = picture->picture();
                result.frontCovers.push_back(
                    {picture->mimeType().to8Bit(true), std::string(data.data(), data.size())});
            } else {
                ++result.otherPictures;
            }
            continue;
        }
        if (auto* user = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(frame)) {
            key += ":" + user->description().to8Bit(true);
            const TagLib::StringList fields = user->fieldList();
            value = fields.size() > 1 ? fields[1].to8Bit(true) : "";
            result.textInUtf8 = result.textInUtf8 && user->textEncoding() == TagLib::String::UTF8;
        } else if (auto* text = dynamic_cast<TagLib::ID3v2::TextIdentificationFrame*>(frame)) {
            value = text->toString().to8Bit(true);
            result.textInUtf8 = result.textInUtf8 && text->textEncoding() == TagLib::String::UTF8;
        } else if (auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame)) {
            value = comment->text().to8Bit(true);
            result.textInUtf8 =
                result.textInUtf8 && comment->textEncoding() == TagLib::String::UTF8;
        } else {
            value = frame->toString().to8Bit(true);
        }
        EXPECT_EQ(result.frames.count(key), 0U) << "two frames for " << key;
        result.frames[key] = value;
    }
    return result;
}

class CoderTags : public ::testing::Test {
protected:
    // coder -i SOURCE -y -vn -ar 44100 -ab 128k -ac 2 [EXTRA] OUTPUT
    ProcessResult convert(const std::string& source, const std::string& output,
                          const std::vector<std::string>& extra = {},
                          const std::string& runner = {}) {
        std::vector<std::string> arguments = {"-i",    source, "-y",   "-vn", "-ar",
                                              "44100", "-ab",  "128k", "-ac", "2"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.push_back(output);
        std::string program = kCoderPath;
        if (!runner.empty()) {
            arguments.insert(arguments.begin(), {"-c", runner, kCoderPath});
            program = "/bin/sh";
        }
        ProcessResult result = runProcess(program, arguments, {}, 120s);
        EXPECT_FALSE(result.timedOut) << result.out;
        EXPECT_EQ(result.err, "") << "coder prints everything to stdout";
        return result;
    }

    // Converts `source` to out.mp3 and returns the MP3's tag.
    Id3Tag convertAndRead(const std::string& source, const std::vector<std::string>& extra = {}) {
        const std::string output = m_folder.file("out.mp3");
        std::remove(output.c_str());
        const ProcessResult result = convert(source, output, extra);
        EXPECT_EQ(result.exitCode, 0) << result.out;
        EXPECT_FALSE(fileExists(m_folder.file(".out.mp3.part")));
        const std::optional<Id3Tag> tag = readId3(output);
        EXPECT_TRUE(tag.has_value()) << "the MP3 has no ID3v2 tag";
        if (tag) {
            EXPECT_EQ(tag->version, 4);
            EXPECT_TRUE(tag->textInUtf8);
        }
        return tag.value_or(Id3Tag{});
    }

    // Runs ffmpeg and expects it to succeed.
    void ffmpeg(const std::vector<std::string>& arguments) {
        std::vector<std::string> all = {"-nostdin", "-v", "error", "-y"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const ProcessResult result = runProcess(tool("ffmpeg"), all, {}, 60s);
        ASSERT_EQ(result.exitCode, 0) << result.err;
    }

    TempFolder m_folder;
};

const Frames kCoverFixtureFrames = {
    {"TIT2", "Night Train 夜车"},
    {"TPE1", "Test Artist"},
    {"TALB", "Fixtures Vol. 2"},
    {"TPE2", "Various Artists"},
    {"TDRC", "2003"},
    {"TRCK", "7/9"},
    {"TPOS", "2/2"},
    {"TCON", "Jazz"},
    {"COMM", "a comment"},
};

TEST_F(CoderTags, ApeTagAndFrontCoverBecomeId3v24FramesAndNothingElse) {
    const Id3Tag tag = convertAndRead(apeFixture("tagged-cover.ape"));
    // Exactly these frames: no TXXX copies of Year or Album Artist, no encoder frame.
    EXPECT_EQ(tag.frames, kCoverFixtureFrames);
    ASSERT_EQ(tag.frontCovers.size(), 1U);
    EXPECT_EQ(tag.otherPictures, 0);
    EXPECT_EQ(tag.frontCovers[0].mimeType, "image/png");
    EXPECT_EQ(md5(m_folder, tag.frontCovers[0].bytes), "09dea8710767b0178d848587aa651435");

    // Another reader finds the same fields, and the audio after the tag is intact.
    const ProcessResult probe =
        runProcess(tool("ffprobe"),
                   {"-v", "error", "-show_entries", "format_tags:stream=codec_name", "-of",
                    "default=noprint_wrappers=1", m_folder.file("out.mp3")},
                   {}, 30s);
    std::map<std::string, int> seen;
    for (const std::string& line : probe.outLines()) {
        ++seen[line];
    }
    for (const char* line : {"codec_name=mp3", "codec_name=png", "TAG:date=2003",
                             "TAG:album_artist=Various Artists", "TAG:track=7/9", "TAG:disc=2/2"}) {
        EXPECT_EQ(seen[line], 1) << line << "\n" << probe.out << probe.err;
    }
    const ProcessResult decode = runProcess(
        tool("ffmpeg"),
        {"-nostdin", "-v", "error", "-i", m_folder.file("out.mp3"), "-f", "null", "-"}, {}, 30s);
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.err, "");
}

TEST_F(CoderTags, ChineseTextSurvivesAndAnUntaggedSourceGetsNoTag) {
    const Id3Tag tag = convertAndRead(apeFixture("tagged-44k-stereo.ape"));
    EXPECT_EQ(tag.frames, (Frames{{"TIT2", "月亮代表我的心 (Test Title)"},
                                  {"TPE1", "测试歌手 Test Artist"},
                                  {"TALB", "Fixture Album 测试专辑"},
                                  {"TDRC", "2010"},
                                  {"TRCK", "3/12"}}));
    EXPECT_TRUE(tag.frontCovers.empty());

    for (const char* untagged : {"tone.wav", "speech-22k-mono-16bit-c1000.ape"}) {
        SCOPED_TRACE(untagged);
        const std::string output = m_folder.file("plain.mp3");
        std::remove(output.c_str());
        const ProcessResult result = convert(apeFixture(untagged), output);
        ASSERT_EQ(result.exitCode, 0) << result.out;
        TagLib::MPEG::File mp3(output.c_str(), false);
        ASSERT_TRUE(mp3.isValid());
        EXPECT_FALSE(mp3.hasID3v2Tag());
        EXPECT_FALSE(mp3.hasID3v1Tag());
        EXPECT_FALSE(mp3.hasAPETag());
        EXPECT_EQ(static_cast<unsigned char>(readFile(output).at(0)), 0xFF)
            << "the file starts with anything but the first MPEG frame";
    }
}

TEST_F(CoderTags, FlacVorbisMp4AndId3SourcesBringTheirFieldsAndFrontCover) {
    // Pictures made here: the fixture's PNG, a JPEG, and a PNG for a back cover.
    const std::string png = m_folder.file("front.png");
    const std::string jpeg = m_folder.file("front.jpg");
    const std::string back = m_folder.file("back.png");
    ffmpeg(
        {"-i", apeFixture("tagged-cover.ape"), "-map", "0:v", "-c", "copy", "-f", "image2", png});
    ffmpeg({"-f", "lavfi", "-i", "color=c=navy:s=32x32", "-frames:v", "1", "-f", "image2", jpeg});
    ffmpeg({"-f", "lavfi", "-i", "color=c=red:s=16x16", "-frames:v", "1", "-f", "image2", back});
    if (HasFatalFailure()) {
        return;
    }
    const std::string pngBytes = readFile(png);
    const std::string jpegBytes = readFile(jpeg);
    ASSERT_EQ(md5(m_folder, pngBytes), "09dea8710767b0178d848587aa651435");

    // The same fields in every source, each in its own family's usual form.
    TagLib::PropertyMap fields;
    fields.replace("TITLE", utf8("北京 Morning"));
    fields.replace("ARTIST", utf8("Somebody"));
    fields.replace("ALBUM", utf8("Album 专辑"));
    fields.replace("ALBUMARTIST", utf8("Various"));
    fields.replace("DATE", utf8("1999-04-01"));
    fields.replace("GENRE", utf8("Folk"));
    fields.replace("COMPOSER", utf8("作曲 Composer"));
    fields.replace("REPLAYGAIN_TRACK_GAIN", utf8("-6.50 dB"));
    // Exactly these: nothing of the encoder fields ffmpeg wrote into each source.
    const Frames expected = {
        {"TIT2", "北京 Morning"},
        {"TPE1", "Somebody"},
        {"TALB", "Album 专辑"},
        {"TPE2", "Various"},
        {"TDRC", "1999-04-01"},
        {"TCON", "Folk"},
        {"TCOM", "作曲 Composer"},
        {"TRCK", "4/10"},
        {"TPOS", "1/2"},
        {"COMM", "said 说"},
        {"TXXX:REPLAYGAIN_TRACK_GAIN", "-6.50 dB"},
    };
    // The fields ffmpeg wrote (its encoder's name) stay in the source beside the new ones.
    const auto over = [](TagLib::PropertyMap old, const TagLib::PropertyMap& update) {
        for (const auto& [key, values] : update) {
            old.replace(key, values);
        }
        return old;
    };
    const auto flacPicture = [](const std::string& bytes, const char* declared,
                                TagLib::FLAC::Picture::Type type) {
        auto* picture = new TagLib::FLAC::Picture;
        picture->setType(type);
        picture->setMimeType(declared);
        picture->setData(bytesOf(bytes));
        return picture;
    };
    // Vorbis comments keep the totals apart and the comment in DESCRIPTION.
    TagLib::PropertyMap xiph = fields;
    xiph.replace("TRACKNUMBER", utf8("4"));
    xiph.replace("TRACKTOTAL", utf8("10"));
    xiph.replace("DISCNUMBER", utf8("1"));
    xiph.replace("DISCTOTAL", utf8("2"));

    {
        SCOPED_TRACE("FLAC, a JPEG declared as PNG");
        const std::string source = m_folder.file("source.flac");
        ffmpeg({"-i", apeFixture("tone.wav"), "-c:a", "flac", source});
        TagLib::FLAC::File file(source.c_str(), false);
        TagLib::PropertyMap map = xiph;
        map.replace("COMMENT", utf8("said 说"));
        file.setProperties(over(file.properties(), map));
        file.addPicture(flacPicture(jpegBytes, "image/png", TagLib::FLAC::Picture::FrontCover));
        ASSERT_TRUE(file.save());
        const Id3Tag tag = convertAndRead(source);
        EXPECT_EQ(tag.frames, expected);
        ASSERT_EQ(tag.frontCovers.size(), 1U);
        EXPECT_EQ(tag.frontCovers[0].mimeType, "image/jpeg");
        EXPECT_EQ(tag.frontCovers[0].bytes, jpegBytes);
    }
    {
        SCOPED_TRACE("Ogg Vorbis, a back cover before the front cover");
        const std::string source = m_folder.file("source.ogg");
        ffmpeg({"-i", apeFixture("tone.wav"), "-c:a", "libvorbis", source});
        TagLib::Ogg::Vorbis::File file(source.c_str(), false);
        TagLib::PropertyMap map = xiph;
        map.replace("DESCRIPTION", utf8("said 说"));
        file.setProperties(over(file.properties(), map));
        file.tag()->addPicture(
            flacPicture(readFile(back), "image/png", TagLib::FLAC::Picture::BackCover));
        file.tag()->addPicture(
            flacPicture(pngBytes, "image/png", TagLib::FLAC::Picture::FrontCover));
        ASSERT_TRUE(file.save());
        const Id3Tag tag = convertAndRead(source);
        EXPECT_EQ(tag.frames, expected);
        ASSERT_EQ(tag.frontCovers.size(), 1U);
        EXPECT_EQ(tag.otherPictures, 0);
        EXPECT_EQ(tag.frontCovers[0].mimeType, "image/png");
        EXPECT_EQ(tag.frontCovers[0].bytes, pngBytes);
    }
    {
        SCOPED_TRACE("MP4");
        const std::string source = m_folder.file("source.m4a");
        ffmpeg({"-i", apeFixture("tone.wav"), "-c:a", "aac", source});
        TagLib::MP4::File file(source.c_str(), false);
        TagLib::PropertyMap map = fields;
        map.replace("TRACKNUMBER", utf8("4/10"));
        map.replace("DISCNUMBER", utf8("1/2"));
        map.replace("COMMENT", utf8("said 说"));
        map.erase("REPLAYGAIN_TRACK_GAIN");  // TagLib has no MP4 name for it: a freeform atom
        file.setProperties(over(file.properties(), map));
        file.tag()->setItem("----:com.apple.iTunes:replaygain_track_gain",
                            TagLib::StringList("-6.50 dB"));
        file.tag()->setItem("covr", TagLib::MP4::CoverArtList().append(TagLib::MP4::CoverArt(
                                        TagLib::MP4::CoverArt::PNG, bytesOf(pngBytes))));
        ASSERT_TRUE(file.save());
        const Id3Tag tag = convertAndRead(source);
        EXPECT_EQ(tag.frames, expected);
        ASSERT_EQ(tag.frontCovers.size(), 1U);
        EXPECT_EQ(tag.frontCovers[0].mimeType, "image/png");
        EXPECT_EQ(tag.frontCovers[0].bytes, pngBytes);
    }
    {
        SCOPED_TRACE("MP3 with an ID3v2.3 tag in UTF-16");
        const std::string source = m_folder.file("source.mp3");
        ffmpeg({"-i", apeFixture("tone.wav"), "-c:a", "libmp3lame", source});
        TagLib::MPEG::File file(source.c_str(), false);
        TagLib::PropertyMap map = fields;
        map.replace("TRACKNUMBER", utf8("4/10"));
        map.replace("DISCNUMBER", utf8("1/2"));
        map.replace("COMMENT", utf8("said 说"));
        file.setProperties(over(file.properties(), map));
        auto* picture = new TagLib::ID3v2::AttachedPictureFrame;
        picture->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
        picture->setMimeType("image/jpg");
        picture->setPicture(bytesOf(jpegBytes));
        file.ID3v2Tag(true)->addFrame(picture);
        ASSERT_TRUE(
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers, TagLib::ID3v2::v3));
        const Id3Tag tag = convertAndRead(source);
        EXPECT_EQ(tag.frames, expected);
        ASSERT_EQ(tag.frontCovers.size(), 1U);
        EXPECT_EQ(tag.frontCovers[0].mimeType, "image/jpeg");
        EXPECT_EQ(tag.frontCovers[0].bytes, jpegBytes);
    }
}

TEST_F(CoderTags, MetadataOptionsOverrideTheSourceAndEmptyValuesRemoveFields) {
    const Id3Tag tag = convertAndRead(
        apeFixture("tagged-cover.ape"),
        {"-metadata", "TITLE=Track 3 第三", "-metadata", "tracknumber=3/12", "-metadata",
         "COMMENT=", "-metadata", "DISCNUMBER=", "-metadata", "ALBUMARTIST=Someone 某人",
         "-metadata:g", "YEAR=1999", "-metadata", "COMPOSER=Writer"});
    Frames expected = kCoverFixtureFrames;
    expected.erase("COMM");
    expected.erase("TPOS");
    expected["TIT2"] = "Track 3 第三";
    expected["TRCK"] = "3/12";
    expected["TPE2"] = "Someone 某人";
    expected["TDRC"] = "1999";
    expected["TCOM"] = "Writer";
    EXPECT_EQ(tag.frames, expected);
    EXPECT_EQ(tag.frontCovers.size(), 1U) << "the cover stays";

    // A source without a tag gets just the given fields.
    const Id3Tag plain = convertAndRead(
        apeFixture("tone.wav"),
        {"-metadata", "TRACKNUMBER=2", "-metadata", "TITLE=", "-metadata", "ARTIST=テスト"});
    EXPECT_EQ(plain.frames, (Frames{{"TRCK", "2"}, {"TPE1", "テスト"}}));
    EXPECT_TRUE(plain.frontCovers.empty());

    // Without "=" the option means nothing: the command fails before ffmpeg runs.
    const std::string output = m_folder.write("bad.mp3", "");
    const ProcessResult result =
        convert(apeFixture("tagged-cover.ape"), output, {"-metadata", "TITLE"});
    EXPECT_EQ(result.exitCode, 1) << result.out;
    EXPECT_EQ(lastLine(result),
              "coder: conversion failed: -metadata needs KEY=VALUE, not \"TITLE\"");
    EXPECT_FALSE(fileExists(output));
    EXPECT_FALSE(fileExists(m_folder.file(".bad.mp3.part")));
}

TEST_F(CoderTags, TagReplacesAnyTagFfmpegLeftAndKeepsEveryAudioByte) {
    // A stand-in for ffmpeg copies a prepared file to the temporary name: some tag of its own,
    // then 2.5 MB of 44100 Hz stereo MP3 frames, each filled with its own byte pattern, so that
    // a part moved to the wrong place or lost shows.
    std::string frames;
    for (int i = 0; i < 6000; ++i) {
        frames += "\xff\xfb\x90";
        frames += '\0';
        for (int j = 0; j < 413; ++j) {
            frames += static_cast<char>((i * 7 + j) % 256);
        }
    }
    const auto id3v2Padding = [](std::size_t bytes) {
        std::string tag = "ID3";
        tag += std::string{'\x04', '\0', '\0'};
        for (int shift : {21, 14, 7, 0}) {
            tag += static_cast<char>((bytes >> shift) & 0x7F);
        }
        return tag + std::string(bytes, '\0');
    };
    const std::string script =
        m_folder.writeScript("ffmpeg", "for last; do :; done\ncp \"$PREPARED\" \"$last\"\n");
    for (const std::size_t oldTag : {std::size_t{0}, std::size_t{40}, std::size_t{300000}}) {
        SCOPED_TRACE("old tag of " + std::to_string(oldTag) + " bytes");
        const std::string prepared =
            m_folder.write("prepared", (oldTag > 0 ? id3v2Padding(oldTag) : "") + frames);
        ProcessOptions options;
        options.environment = {{"VORDANA_FFMPEG", script}, {"PREPARED", prepared}};
        const std::string output = m_folder.file("out.mp3");
        std::remove(output.c_str());
        const ProcessResult result =
            runProcess(kCoderPath,
                       {"-i", apeFixture("tagged-44k-stereo.ape"), "-y", "-vn", "-ar", "44100",
                        "-ab", "128k", "-ac", "2", output},
                       options, 60s);
        ASSERT_EQ(result.exitCode, 0) << result.out;

        const std::string written = readFile(output);
        const std::vector<unsigned char> head(written.begin(), written.begin() + 10);
        const std::size_t tagBytes = id3v2TagBytes(head);
        ASSERT_GT(tagBytes, 0U);
        EXPECT_TRUE(written.substr(tagBytes) == frames) << "the audio after the tag differs";
        const std::optional<Id3Tag> tag = readId3(output);
        ASSERT_TRUE(tag.has_value());
        EXPECT_EQ(tag->frames.at("TRCK"), "3/12");
    }
}

TEST_F(CoderTags, TagThatCannotBeWrittenFailsTheConversionAndLeavesNothing) {
    // The audio ffmpeg writes for this command, without the tag.
    convertAndRead(apeFixture("tagged-cover.ape"));
    const std::string written = readFile(m_folder.file("out.mp3"));
    const std::vector<unsigned char> head(written.begin(), written.begin() + 10);
    const std::size_t audioBytes = written.size() - id3v2TagBytes(head);
    ASSERT_GT(id3v2TagBytes(head), 1024U);
    std::remove(m_folder.file("out.mp3").c_str());

    // A file size limit that ffmpeg's audio fits in, in 512-byte blocks, but the tag does not:
    // writing it fails with EFBIG (the signal that would come with it is ignored).
    const std::size_t blocks = (audioBytes + 511) / 512;
    const std::string output = m_folder.write("out.mp3", "");  // the program's reservation
    const ProcessResult result =
        convert(apeFixture("tagged-cover.ape"), output, {},
                "trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; exec \"$0\" \"$@\"");
    EXPECT_EQ(result.exitCode, 1) << result.out;
    EXPECT_EQ(lastLine(result), "coder: conversion failed: cannot write the tags: File too large")
        << result.out;
    EXPECT_EQ(folderEntries(m_folder.path()), std::vector<std::string>{})
        << "neither the output nor its temporary file may be left";
}

TEST_F(CoderTags, TheSourceIsOnlyEverOpenedForReading) {
    // A writable copy, as a user's files are: TagLib opens a file for writing whenever it may.
    const std::string source =
        m_folder.write("watched-source.ape", readFile(apeFixture("tagged-cover.ape")));
    const std::string log = m_folder.file("opens.log");
    ProcessOptions options;
    options.environment = {{"LD_PRELOAD", OPEN_LOG_PATH},
                           {"VORDANA_OPEN_LOG_MATCH", "watched-source.ape"},
                           {"VORDANA_OPEN_LOG", log}};
#if defined(__SANITIZE_ADDRESS__)
    // The sanitizer's runtime wants to be loaded first; the preloaded log works after it too.
    const char* asan = std::getenv("ASAN_OPTIONS");
    options.environment.emplace_back(
        "ASAN_OPTIONS", std::string(asan != nullptr ? asan : "") + ":verify_asan_link_order=0");
#endif
    const std::string output = m_folder.file("out.mp3");
    const ProcessResult result = runProcess(
        kCoderPath, {"-i", source, "-y", "-vn", "-ar", "44100", "-ab", "128k", "-ac", "2", output},
        options, 120s);
    ASSERT_EQ(result.exitCode, 0) << result.out << result.err;
    const std::optional<Id3Tag> tag = readId3(output);
    ASSERT_TRUE(tag.has_value());
    EXPECT_EQ(tag->frames, kCoverFixtureFrames) << "the tags were read";
    EXPECT_EQ(tag->frontCovers.size(), 1U) << "and the cover";

    // Lines "read-only|writable PROGRAM CALL HOW PATH", from coder and the ffmpeg it runs.
    const std::vector<std::string> opens = splitLines(readFile(log));
    int byCoder = 0;
    for (const std::string& line : opens) {
        EXPECT_TRUE(startsWith(line, "read-only ")) << line;
        byCoder += startsWith(line, "read-only coder ") ? 1 : 0;
    }
    EXPECT_GE(byCoder, 1) << "coder's own read of the tags was not seen";
}

}  // namespace
