// conv, coder and coder2 with Debian's ffmpeg on the video fixtures, driven by the command lines
// the program sends: the files they write (checked with ffprobe and a full decode), the status
// lines conv prints, what they leave when they fail or are stopped, and that no ffmpeg
// outlives them.

#include "CoderTestSupport.h"
#include "ProcFs.h"
#include "TempFolder.h"
#include "TestProcess.h"
#include "common/ExecutableLookup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Args = std::vector<std::string>;

const std::string kConvPath = CONV_PATH;
const std::string kCoder2Path = CODER2_PATH;

std::string videoFixture(const std::string& name) {
    return std::string(FIXTURES_DIR) + "/video/" + name;
}

std::string tool(const std::string& name) {
    const char* path = std::getenv("PATH");
    return findExecutable(name, path != nullptr ? path : "/usr/bin:/bin").value_or(name);
}

// ffprobe's view of a file: "format" and the first "video" and "audio" streams, each as
// key=value pairs.
using Section = std::map<std::string, std::string>;
std::map<std::string, Section> probe(const std::string& file) {
    const ProcessResult result = runProcess(
        tool("ffprobe"),
        {"-v", "error", "-show_entries",
         "format=format_name,duration:format_tags=major_brand:stream=codec_type,codec_name,width,"
         "height,r_frame_rate,sample_rate,channels",
         "-of", "compact", file},
        {}, 60s);
    std::map<std::string, Section> sections;
    for (const std::string& line : result.outLines()) {
        Section fields;
        std::size_t start = line.find('|');
        while (start != std::string::npos) {
            const std::size_t end = line.find('|', start + 1);
            const std::string field = line.substr(start + 1, end - start - 1);
            const std::size_t equals = field.find('=');
            if (equals != std::string::npos) {
                fields[field.substr(0, equals)] = field.substr(equals + 1);
            }
            start = end;
        }
        const std::string kind = line.substr(0, line.find('|'));
        const std::string name = kind == "stream" ? fields["codec_type"] : kind;
        if (!sections.count(name)) {
            sections[name] = fields;
        }
    }
    return sections;
}

double seconds(const std::map<std::string, Section>& facts) {
    const auto format = facts.find("format");
    if (format == facts.end() || !format->second.count("duration")) {
        return -1.0;
    }
    return std::atof(format->second.at("duration").c_str());
}

// The program's one-stage command for MPEG and AVI files (template C).
Args templateCArguments(const std::string& source, const std::string& frameRate,
                        const std::string& output) {
    return {source,
            "-oac",
            "lavc",
            "-lavcopts",
            "acodec=mp2:abitrate=64",
            "-ovc",
            "lavc",
            "-lavcopts",
            "vcodec=mpeg1video:vbitrate=600:vpass=1",
            "-ofps",
            frameRate,
            "-of",
            "lavf",
            "-lavfopts",
            "format=yuv4mpeg",
            "-o",
            output};
}

// Decodes every stream of `file` and reports anything a decoder complains about.
std::string decodeErrors(const std::string& file) {
    const ProcessResult result =
        runProcess(tool("ffmpeg"),
                   {"-nostdin", "-v", "error", "-xerror", "-i", file, "-f", "null", "-"}, {}, 60s);
    if (result.exitCode != 0 && result.err.empty()) {
        return "ffmpeg exited with " + std::to_string(result.exitCode);
    }
    return result.err;
}

// What one output must be.
struct Expected {
    std::string formatName;  // ffprobe's, whole
    std::string brand;       // the MP4 family's major brand, blanks included; "" elsewhere
    std::string videoCodec;
    std::string size;  // "WxH"
    std::string audioCodec;
    std::string sampleRate;  // "" when any
    std::string channels;
    std::string frameRate;  // "" when any
};

// The lines conv printed: every status line in mencoder's form with its percentage where the
// program's reader looks for it (the line's first "(", its ")" four or five characters on),
// never going back, below 100 % until the last line, which says "(100%)". No ffmpeg-style
// progress gets through.
void checkStatusLines(const ProcessResult& result) {
    static const std::regex status(R"(^Pos: *\d+\.\ds +\d+f \(( \d|\d\d|100)%\) .*$)");
    int lastPercent = -1;
    int statusLines = 0;
    const std::vector<std::string> lines = result.outLines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        EXPECT_EQ(line.find("time="), std::string::npos) << line;
        EXPECT_EQ(line.find("Duration: "), std::string::npos) << line;
        if (!startsWith(line, "Pos:")) {
            continue;
        }
        ++statusLines;
        EXPECT_TRUE(std::regex_match(line, status)) << line;
        const std::size_t open = line.find('(');
        const std::size_t close = line.find(')', open);
        ASSERT_NE(close, std::string::npos) << line;
        EXPECT_TRUE(close - open == 4 || close - open == 5) << line;
        const int percent = std::atoi(line.c_str() + open + 1);
        EXPECT_GE(percent, lastPercent) << line;
        EXPECT_EQ(percent == 100, i + 1 == lines.size()) << line;
        lastPercent = percent;
    }
    EXPECT_GE(statusLines, 2) << result.out;
    EXPECT_EQ(lastPercent, 100) << result.out;
}

class VideoAdaptersEndToEnd : public ::testing::Test {
protected:
    // Runs an adapter onto `output` in the output folder, reserved as the program reserves a
    // final file's name.
    ProcessResult run(const std::string& adapter, const Args& arguments) {
        ProcessResult result = runProcess(adapter, arguments, {}, 120s);
        EXPECT_FALSE(result.timedOut) << result.out;
        EXPECT_EQ(result.err, "") << "the adapters print everything to stdout";
        return result;
    }

    std::string reserve(const std::string& name) { return m_out.write(name, ""); }

    // Checks a finished output against `expected` and the source's length, and that nothing
    // else is left in the output folder.
    void checkOutput(const std::string& name, const Expected& expected, double sourceSeconds) {
        SCOPED_TRACE(name);
        EXPECT_EQ(folderEntries(m_out.path()), Args{name});
        const std::string file = m_out.file(name);
        auto facts = probe(file);
        EXPECT_EQ(facts["format"]["format_name"], expected.formatName);
        EXPECT_EQ(facts["format"]["tag:major_brand"], expected.brand);
        EXPECT_EQ(facts["video"]["codec_name"], expected.videoCodec);
        EXPECT_EQ(facts["video"]["width"] + "x" + facts["video"]["height"], expected.size);
        if (!expected.frameRate.empty()) {
            EXPECT_EQ(facts["video"]["r_frame_rate"], expected.frameRate);
        }
        EXPECT_EQ(facts["audio"]["codec_name"], expected.audioCodec);
        if (!expected.sampleRate.empty()) {
            EXPECT_EQ(facts["audio"]["sample_rate"], expected.sampleRate);
        }
        if (!expected.channels.empty()) {
            EXPECT_EQ(facts["audio"]["channels"], expected.channels);
        }
        EXPECT_NEAR(seconds(facts), sourceSeconds, 0.3);
        EXPECT_EQ(decodeErrors(file), "");
        std::remove(file.c_str());
    }

    // Runs `adapter` and checks that it fails with `reason` (a prefix of it when `prefixOnly`)
    // and leaves nothing in the output folder.
    void checkFails(const std::string& adapter, const Args& arguments, const std::string& name,
                    const std::string& reason, bool prefixOnly = false) {
        const std::string program = adapter.substr(adapter.rfind('/') + 1);
        SCOPED_TRACE(program + " on " + arguments[adapter == kConvPath ? 0 : 1]);
        const ProcessResult result = run(adapter, arguments);
        EXPECT_EQ(result.exitCode, 1) << result.out;
        const std::string expected = program + ": conversion failed: " + reason;
        if (prefixOnly) {
            EXPECT_TRUE(startsWith(lastLine(result), expected)) << result.out;
        } else {
            EXPECT_EQ(lastLine(result), expected) << result.out;
        }
        EXPECT_EQ(folderEntries(m_out.path()), Args{}) << "left behind for " << name;
    }

    TempFolder m_work;  // the program's private folder, where the intermediate goes
    TempFolder m_out;   // the output folder
};

// conv's first stage (template B) writes the intermediate; coder and coder2 turn it into the
// five two-stage formats. The 640x360 source is no size RealVideo 1 can encode.
TEST_F(VideoAdaptersEndToEnd, TwoStageFormatsGoThroughOneIntermediate) {
    const std::string source = videoFixture("clip-640x360-30fps-2s.mp4");
    const double sourceSeconds = seconds(probe(source));
    ASSERT_NEAR(sourceSeconds, 2.0, 0.05);

    const std::string tmp = m_work.file("tmp.mp4");
    const ProcessResult first =
        run(kConvPath, {source, "-oac", "mp3lame", "-lameopts", "preset=320", "-ovc", "lavc",
                        "-lavcopts", "vcodec=mpeg4:vbitrate=1200", "-of", "avi", "-o", tmp});
    ASSERT_EQ(first.exitCode, 0) << first.out;
    checkStatusLines(first);
    EXPECT_EQ(folderEntries(m_work.path()), Args{"tmp.mp4"});
    auto intermediate = probe(tmp);
    EXPECT_EQ(intermediate["format"]["tag:major_brand"], "isom");
    EXPECT_EQ(intermediate["video"]["codec_name"], "mpeg4");
    EXPECT_EQ(intermediate["audio"]["codec_name"], "mp3");
    EXPECT_NEAR(seconds(intermediate), sourceSeconds, 0.3);

    struct SecondStage {
        std::string adapter;
        Args options;  // between "-i TMP" and the output
        std::string name;
        Expected expected;
        std::string note;  // a line the adapter must print
    };
    const std::vector<SecondStage> stages = {
        {kCoderPath,
         {"-y", "-vcodec", "rv10", "-b", "1200k", "-f", "rm", "-ab", "128k", "-ac", "2"},
         "clip-101010.rmvb",
         {"rm", "", "rv10", "640x368", "ac3", "", "2", ""},
         "coder: RealVideo 1 takes only sizes in multiples of 16; using 640x368 for 640x360"},
        {kCoderPath,
         {"-y", "-s", "480x270", "-vcodec", "rv10", "-b", "256k", "-f", "rm", "-ar", "22050", "-ab",
          "64k", "-ac", "1"},
         "clip-101011.rm",
         {"rm", "", "rv10", "480x272", "ac3", "32000", "1", ""},
         "coder: the AC-3 encoder does not take 22050 Hz; using 32000 Hz"},
        {kCoderPath,
         {"-y", "-ac", "2", "-ar", "48000", "-ab", "128k"},
         "clip-101012.mov",
         {"mov,mp4,m4a,3gp,3g2,mj2", "qt  ", "mpeg4", "640x360", "aac", "48000", "2", ""},
         ""},
        {kCoder2Path,
         {"-y", "-s", "320x240", "-vcodec", "mpeg4", "-acodec", "amr_nb", "-ac", "1", "-ar", "8000",
          "-ab", "12.2k"},
         "clip-101013.mp4",
         {"mov,mp4,m4a,3gp,3g2,mj2", "isom", "mpeg4", "320x240", "aac", "8000", "1", ""},
         "coder2: ffmpeg has no AMR-NB encoder; using AAC instead (8000 Hz, 1 channel, 12.2k)"},
        {kCoder2Path,
         {"-y", "-s", "320x240", "-vcodec", "mpeg4", "-acodec", "amr_nb", "-ac", "1", "-ar", "8000",
          "-ab", "12.2k"},
         "clip-101014.3gp",
         {"mov,mp4,m4a,3gp,3g2,mj2", "3gp4", "mpeg4", "320x240", "aac", "8000", "1", ""},
         "coder2: ffmpeg has no AMR-NB encoder; using AAC instead (8000 Hz, 1 channel, 12.2k)"},
    };
    for (const SecondStage& stage : stages) {
        SCOPED_TRACE(stage.name);
        Args arguments = {"-i", tmp};
        arguments.insert(arguments.end(), stage.options.begin(), stage.options.end());
        arguments.push_back(reserve(stage.name));
        const ProcessResult result = run(stage.adapter, arguments);
        EXPECT_EQ(result.exitCode, 0) << result.out;
        if (!stage.note.empty()) {
            EXPECT_EQ(countLines(result, stage.note), 1) << result.out;
        }
        EXPECT_TRUE(startsWith(lastLine(result), "time=")) << result.out;
        checkOutput(stage.name, stage.expected, sourceSeconds);
    }
    EXPECT_EQ(folderEntries(m_work.path()), Args{"tmp.mp4"}) << "the intermediate stays";
}

// Templates C (MPEG and AVI) and D (high-definition MP4) write the final file at once; the
// container follows the name, not "-of". MPEG-1 video takes no 29 frames/s.
TEST_F(VideoAdaptersEndToEnd, OneStageFormatsAreWrittenDirectly) {
    const auto templateD = [](const std::string& source, const std::string& output) -> Args {
        return {source,      "-oac",       "mp3lame",
                "-lameopts", "preset=320", "-ovc",
                "lavc",      "-lavcopts",  "vcodec=mpeg4:vbitrate=1200",
                "-of",       "avi",        "-o",
                output};
    };
    struct Case {
        std::string source;
        Args arguments;
        std::string name;
        Expected expected;
        std::string note;
    };
    const std::string mkv = videoFixture("my clip.part1.mkv");
    const std::string avi = videoFixture("clip-320x240-25fps-3s.avi");
    const std::string silent = videoFixture("noaudio-2s.mp4");
    const std::vector<Case> cases = {
        {mkv,
         templateCArguments(mkv, "29", m_out.file("my clip-101010.mpg")),
         "my clip-101010.mpg",
         {"mpeg", "", "mpeg1video", "352x288", "mp2", "32000", "1", "30000/1001"},
         "conv: MPEG-1 video does not take 29 frames/s; using 29.97"},
        {avi,
         templateCArguments(avi, "24", m_out.file("clip-101011.avi")),
         "clip-101011.avi",
         {"avi", "", "mpeg1video", "320x240", "mp2", "44100", "2", "24/1"},
         ""},
        {avi,
         templateD(avi, m_out.file("clip-101012.mp4")),
         "clip-101012.mp4",
         {"mov,mp4,m4a,3gp,3g2,mj2", "isom", "mpeg4", "320x240", "mp3", "44100", "2", "25/1"},
         ""},
        {silent,
         templateD(silent, m_out.file("noaudio-101013.mp4")),
         "noaudio-101013.mp4",
         {"mov,mp4,m4a,3gp,3g2,mj2", "isom", "mpeg4", "320x240", "", "", "", ""},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reserve(c.name);
        const ProcessResult result = run(kConvPath, c.arguments);
        EXPECT_EQ(result.exitCode, 0) << result.out;
        checkStatusLines(result);
        if (!c.note.empty()) {
            EXPECT_EQ(countLines(result, c.note), 1) << result.out;
        }
        checkOutput(c.name, c.expected, seconds(probe(c.source)));
    }
}

TEST_F(VideoAdaptersEndToEnd, BadInputsFailWithAReasonAndLeaveNothing) {
    const auto mpg = [&](const std::string& source) -> Args {
        return templateCArguments(source, "24", reserve("bad-101010.mpg"));
    };
    const std::string truncated = videoFixture("truncated.avi");
    const std::string notVideo = videoFixture("not-video.avi");
    const std::string audioOnly = apeFixture("tone.wav");
    checkFails(kConvPath, mpg(truncated), "a truncated AVI", truncated + ": corrupt", true);
    checkFails(kConvPath, mpg(notVideo), "20 bytes of text",
               notVideo + ": Invalid data found when processing input");
    checkFails(kConvPath, mpg(audioOnly), "an audio file", "the input has no video stream");

    // The first stage is checked the same way before anything is written.
    checkFails(
        kConvPath,
        {audioOnly, "-oac", "mp3lame", "-lameopts", "preset=320", "-ovc", "lavc", "-lavcopts",
         "vcodec=mpeg4:vbitrate=1200", "-of", "avi", "-o", m_out.file("tmp.mp4")},
        "the intermediate", "the input has no video stream");

    // A second stage given no video writes a file ffmpeg is happy with; reading it back finds
    // the stream missing.
    checkFails(kCoderPath,
               {"-i", audioOnly, "-y", "-vcodec", "rv10", "-b", "1200k", "-f", "rm", "-ab", "128k",
                "-ac", "2", reserve("bad-101011.rmvb")},
               "a RealMedia file", "the output holds no video stream");
}

// The two-second clip's picture a hundred times over, joined without re-encoding: quick to
// make, and long enough that conv is still at work when it is stopped. (Its sound is left out:
// joined so, the encoder delay of each piece overlaps the one before.)
std::string writeLongClip(const TempFolder& folder) {
    std::string list;
    for (int i = 0; i < 100; ++i) {
        list += "file '" + videoFixture("clip-640x360-30fps-2s.mp4") + "'\n";
    }
    const std::string listFile = folder.write("list.txt", list);
    const std::string clip = folder.file("long.mp4");
    const ProcessResult made = runProcess(tool("ffmpeg"),
                                          {"-nostdin", "-v", "error", "-f", "concat", "-safe", "0",
                                           "-i", listFile, "-an", "-c", "copy", clip},
                                          {}, 60s);
    EXPECT_EQ(made.exitCode, 0) << made.err;
    return clip;
}

TEST_F(VideoAdaptersEndToEnd, StoppedConvEndsItsFfmpegAndLeavesNothing) {
    const std::string source = writeLongClip(m_work);
    TestProcess conv(kConvPath, {source, "-oac", "mp3lame", "-lameopts", "preset=320", "-ovc",
                                 "lavc", "-lavcopts", "vcodec=mpeg4:vbitrate=1200", "-of", "avi",
                                 "-o", reserve("long-101010.mp4")});
    const std::optional<pid_t> ffmpeg = waitForChild(conv.pid(), "ffmpeg", 10s);
    ASSERT_TRUE(ffmpeg.has_value()) << "no ffmpeg child of conv";

    // Status lines keep coming while it works, at least two a second.
    conv.pump(1200ms);
    ASSERT_FALSE(conv.ended()) << conv.outSoFar();
    int statusLines = 0;
    for (const std::string& line : splitLines(conv.outSoFar())) {
        statusLines += startsWith(line, "Pos:") ? 1 : 0;
        EXPECT_EQ(line.find("(100%)"), std::string::npos) << line;
    }
    EXPECT_GE(statusLines, 2) << conv.outSoFar();
    EXPECT_TRUE(fileExists(m_out.file(".long-101010.mp4.part"))) << "ffmpeg writes elsewhere";

    const auto stopAt = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(conv.pid(), SIGTERM), 0);
    const ProcessResult result = conv.finish(60s);
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 2s) << "conv took too long to stop";
    const bool gone = waitUntilGone(*ffmpeg, 500ms);
    EXPECT_TRUE(gone) << "ffmpeg outlived conv";
    if (!gone) {
        ::kill(*ffmpeg, SIGKILL);
    }
    EXPECT_EQ(result.exitCode, 128 + SIGTERM) << result.out;
    EXPECT_TRUE(startsWith(lastLine(result), "conv: conversion failed: conv was stopped by "))
        << result.out;
    EXPECT_EQ(folderEntries(m_out.path()), Args{});
}

}  // namespace
