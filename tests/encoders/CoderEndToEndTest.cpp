// coder with Debian's ffmpeg on the APE fixtures: the files it writes (checked with ffprobe),
// what it leaves behind when it fails or is stopped, the lines it prints, its exit status, and
// that no ffmpeg outlives it.

#include "CoderTestSupport.h"
#include "ProcFs.h"
#include "TempFolder.h"
#include "TestProcess.h"
#include "common/ExecutableLookup.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::string ffprobePath() {
    const char* path = std::getenv("PATH");
    return findExecutable("ffprobe", path != nullptr ? path : "/usr/bin:/bin").value_or("ffprobe");
}

// ffprobe's view of a file's first stream and its container, as key=value pairs.
std::map<std::string, std::string> probe(const std::string& file) {
    const ProcessResult result =
        runProcess(ffprobePath(),
                   {"-v", "error", "-select_streams", "a:0", "-show_entries",
                    "stream=codec_name,sample_rate,channels,bit_rate,duration:format=duration",
                    "-of", "default=noprint_wrappers=1", file},
                   {}, 60s);
    std::map<std::string, std::string> values;
    for (const std::string& line : result.outLines()) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos && !values.count(line.substr(0, equals))) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

// The length of the audio a decoder gets out of `file`, counted in samples: unlike ffprobe's
// header-based duration it leaves out the encoder's start delay and end padding.
double decodedSeconds(const std::string& file, int sampleRate) {
    const char* path = std::getenv("PATH");
    const std::string ffmpeg =
        findExecutable("ffmpeg", path != nullptr ? path : "/usr/bin:/bin").value_or("ffmpeg");
    const ProcessResult result = runProcess(
        ffmpeg, {"-v", "error", "-nostdin", "-i", file, "-ac", "1", "-f", "s16le", "-"}, {}, 60s);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return static_cast<double>(result.out.size()) / 2.0 / sampleRate;
}

double number(const std::map<std::string, std::string>& values, const std::string& key) {
    const auto it = values.find(key);
    return it == values.end() ? std::nan("") : std::atof(it->second.c_str());
}

std::uint32_t littleEndian(const std::string& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value =
            (value << 8) | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    }
    return value;
}

// Where the frames of a Monkey's Audio file (format 3980 and later) start: the descriptor
// gives the sizes of itself, the header and the seek table; the header the frame geometry;
// the seek table each frame's byte offset in the file.
struct ApeLayout {
    std::string bytes;
    std::vector<std::uint32_t> frameOffsets;
    double secondsPerFrame = 0.0;
};

ApeLayout readApeLayout(const std::string& path) {
    ApeLayout layout;
    layout.bytes = readFile(path);
    const std::string& b = layout.bytes;
    if (b.size() < 52 || b.compare(0, 4, "MAC ") != 0 || littleEndian(b, 4, 2) < 3980) {
        ADD_FAILURE() << path << " is not a Monkey's Audio file of format 3980 or later";
        return layout;
    }
    const std::size_t descriptorBytes = littleEndian(b, 8, 4);
    const std::size_t headerBytes = littleEndian(b, 12, 4);
    const std::size_t seekTableBytes = littleEndian(b, 16, 4);
    const std::size_t header = descriptorBytes;
    const std::uint32_t blocksPerFrame = littleEndian(b, header + 4, 4);
    const std::uint32_t totalFrames = littleEndian(b, header + 12, 4);
    const std::uint32_t sampleRate = littleEndian(b, header + 20, 4);
    layout.secondsPerFrame = static_cast<double>(blocksPerFrame) / sampleRate;
    const std::size_t table = descriptorBytes + headerBytes;
    for (std::uint32_t i = 0; i < totalFrames && (i + 1) * 4 <= seekTableBytes; ++i) {
        layout.frameOffsets.push_back(littleEndian(b, table + i * 4, 4));
    }
    EXPECT_EQ(layout.frameOffsets.size(), totalFrames);
    return layout;
}

// The long bench file cut at the frame boundary nearest its middle: a well-formed file whose
// header still announces 180 s. Returns the seconds of audio it holds.
double writeApeCutAtAFrame(const std::string& path) {
    const ApeLayout layout = readApeLayout(benchFixture("long-180s-44k-stereo-c4000.ape"));
    if (layout.frameOffsets.size() < 3) {
        ADD_FAILURE() << "too few frames";
        return 0.0;
    }
    std::size_t frame = 1;
    const auto distance = [&](std::size_t i) {
        const double middle = static_cast<double>(layout.bytes.size()) / 2;
        return std::abs(static_cast<double>(layout.frameOffsets[i]) - middle);
    };
    for (std::size_t i = 1; i < layout.frameOffsets.size(); ++i) {
        frame = distance(i) < distance(frame) ? i : frame;
    }
    std::ofstream(path, std::ios::binary) << layout.bytes.substr(0, layout.frameOffsets[frame]);
    return static_cast<double>(frame) * layout.secondsPerFrame;
}

// The long bench file with only its headers and seek table: cut before the first frame.
void writeApeWithoutFrames(const std::string& path) {
    const ApeLayout layout = readApeLayout(benchFixture("long-180s-44k-stereo-c4000.ape"));
    ASSERT_FALSE(layout.frameOffsets.empty());
    std::ofstream(path, std::ios::binary) << layout.bytes.substr(0, layout.frameOffsets[0]);
}

// Checks the lines of a successful run: one "Duration: " banner, time lines in seconds that
// end within 0.1 s of it, and nothing else but coder's own notes. Returns the banner's seconds.
double checkSuccessfulOutput(const ProcessResult& result, double sourceSeconds) {
    static const std::regex banner(R"(^  Duration: (\d\d):(\d\d):(\d\d\.\d+), .*$)");
    static const std::regex timeLine(R"(^time=(\d+\.\d\d)( speed=\S+)?$)");
    int banners = 0;
    double duration = std::nan("");
    std::vector<double> times;
    for (const std::string& line : result.outLines()) {
        std::smatch match;
        if (line.find("Duration: ") != std::string::npos) {
            ++banners;
            EXPECT_TRUE(std::regex_match(line, match, banner)) << line;
            if (match.size() == 4) {
                duration =
                    std::stod(match[1]) * 3600 + std::stod(match[2]) * 60 + std::stod(match[3]);
            }
        } else if (std::regex_match(line, match, timeLine)) {
            times.push_back(std::stod(match[1]));
        } else {
            EXPECT_TRUE(startsWith(line, "coder: ")) << "unexpected line: " << line;
        }
        EXPECT_EQ(line.find("[info]"), std::string::npos) << line;
    }
    EXPECT_EQ(banners, 1) << result.out;
    EXPECT_NEAR(duration, sourceSeconds, 0.01) << result.out;
    EXPECT_FALSE(times.empty()) << result.out;
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_GE(times[i], times[i - 1]) << result.out;
    }
    if (!times.empty()) {
        EXPECT_NEAR(times.back(), duration, 0.1) << result.out;
    }
    return duration;
}

struct Mp3Case {
    std::string source;
    std::string rate;
    std::string bitRate;
    std::string channels;
    int expectedRate;
    // ffprobe's duration counts whole MP3 frames plus the encoder's delay; at the lowest
    // rates (576-sample frames of 48 ms at 12 kHz) that alone is over 0.1 s.
    bool probeDurationClose = true;
};

class CoderEndToEnd : public ::testing::Test {
protected:
    // coder [BEFORE] -i SOURCE [-y] -vn -ar RATE -ab BITRATEk -ac CHANNELS OUTPUT
    ProcessResult convert(const std::string& source, const std::string& rate,
                          const std::string& bitRate, const std::string& channels,
                          const std::string& output, bool overwrite = true,
                          ProcessOptions options = {}, std::vector<std::string> before = {}) {
        std::vector<std::string> arguments = std::move(before);
        arguments.insert(arguments.end(), {"-i", source});
        if (overwrite) {
            arguments.push_back("-y");
        }
        for (const std::string& a :
             {std::string("-vn"), std::string("-ar"), rate, std::string("-ab"), bitRate + "k",
              std::string("-ac"), channels, output}) {
            arguments.push_back(a);
        }
        ProcessResult result = runProcess(kCoderPath, arguments, options, 120s);
        EXPECT_FALSE(result.timedOut) << result.out;
        EXPECT_EQ(result.err, "") << "coder prints everything to stdout";
        return result;
    }

    // Converts into an otherwise empty test folder, with or without the program's empty
    // reservation of the output name, and checks the published file.
    void checkMp3(const Mp3Case& c, const std::string& name, bool reserved) {
        const std::string output = m_folder.file(name);
        std::remove(output.c_str());
        if (reserved) {
            m_folder.write(name, "");
        }
        const ProcessResult result = convert(c.source, c.rate, c.bitRate, c.channels, output);
        EXPECT_EQ(result.exitCode, 0) << result.out;
        EXPECT_EQ(folderEntries(m_folder.path()), std::vector<std::string>{name})
            << "only the output may be left";
        const auto source = probe(c.source);
        checkSuccessfulOutput(result, number(source, "duration"));

        const auto mp3 = probe(output);
        EXPECT_EQ(mp3.count("codec_name") ? mp3.at("codec_name") : "", "mp3");
        EXPECT_EQ(number(mp3, "sample_rate"), c.expectedRate);
        EXPECT_EQ(number(mp3, "channels"), std::atof(c.channels.c_str()));
        EXPECT_EQ(number(mp3, "bit_rate"), std::atof(c.bitRate.c_str()) * 1000);
        if (c.probeDurationClose) {
            EXPECT_NEAR(number(mp3, "duration"), number(source, "duration"), 0.1);
        }
        EXPECT_NEAR(decodedSeconds(output, c.expectedRate), number(source, "duration"), 0.1);
    }

    // Runs coder on `source` onto a reserved output name and checks that it fails with
    // `lastLine` (a prefix of it when `prefixOnly`) and leaves neither the output nor its
    // temporary file.
    ProcessResult checkFailsAndLeavesNothing(const std::string& source, const std::string& reason,
                                             bool prefixOnly = false,
                                             std::vector<std::string> before = {}) {
        const std::string output = m_folder.file("out.mp3");
        m_folder.write("out.mp3", "");
        const std::vector<std::string> entriesBefore = folderEntries(m_folder.path());
        const ProcessResult result =
            convert(source, "44100", "128", "2", output, true, {}, std::move(before));
        EXPECT_EQ(result.exitCode, 1) << result.out;
        const std::string expected = "coder: conversion failed: " + reason;
        if (prefixOnly) {
            EXPECT_TRUE(startsWith(lastLine(result), expected)) << result.out;
        } else {
            EXPECT_EQ(lastLine(result), expected) << result.out;
        }
        EXPECT_FALSE(fileExists(output)) << "the reservation outlived the failure";
        EXPECT_FALSE(fileExists(m_folder.file(".out.mp3.part"))) << "the temporary file was left";
        std::vector<std::string> expectedEntries;
        for (const std::string& entry : entriesBefore) {
            if (entry != "out.mp3") {
                expectedEntries.push_back(entry);
            }
        }
        EXPECT_EQ(folderEntries(m_folder.path()), expectedEntries);
        return result;
    }

    TempFolder m_folder;
};

TEST_F(CoderEndToEnd, ConvertsGoodApeFilesToMp3OntoAFreeNameOrAReservation) {
    const std::vector<Mp3Case> cases = {
        {apeFixture("tone-44k-stereo-16bit-c2000.ape"), "44100", "128", "2", 44100},
        {apeFixture("speech-22k-mono-16bit-c1000.ape"), "22050", "64", "1", 22050},
    };
    for (const Mp3Case& c : cases) {
        for (bool reserved : {false, true}) {
            SCOPED_TRACE(c.source + (reserved ? " onto a reservation" : " onto a free name"));
            checkMp3(c, "out.mp3", reserved);
        }
    }
}

TEST_F(CoderEndToEnd, RateTheEncoderRefusesIsMappedAndSaid) {
    const Mp3Case c{
        apeFixture("speech-22k-mono-16bit-c1000.ape"), "12050", "32", "1", 12000, false};
    checkMp3(c, "月亮 mapped.mp3", true);
    const std::string again = m_folder.file("again.mp3");
    const ProcessResult result = convert(c.source, c.rate, c.bitRate, c.channels, again);
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(countLines(result, "coder: the MP3 encoder does not take 12050 Hz; using 12000 Hz"),
              1)
        << result.out;
}

TEST_F(CoderEndToEnd, BadInputsFailAndLeaveNothing) {
    checkFailsAndLeavesNothing(apeFixture("truncated.ape"), "Error decoding frame", true);
    for (const char* name : {"empty.ape", "not-audio.ape"}) {
        SCOPED_TRACE(name);
        const ProcessResult result = checkFailsAndLeavesNothing(apeFixture(name), "", true);
        EXPECT_NE(lastLine(result).find("Invalid data found when processing input"),
                  std::string::npos)
            << result.out;
    }

    // Cut at a frame boundary the file is well formed up to its end, so ffmpeg decodes it all
    // without a single error and exits 0; only the length gives it away.
    const std::string cut = m_folder.file("cut.ape");
    const double holds = writeApeCutAtAFrame(cut);
    ASSERT_GT(holds, 60.0);
    ASSERT_LT(holds, 120.0);
    const ProcessResult result = checkFailsAndLeavesNothing(cut, "input ends early: ", true);
    static const std::regex reason(
        R"(^coder: conversion failed: input ends early: (\d+\.\d\d) s of 180\.00 s$)");
    std::smatch match;
    const std::string last = lastLine(result);
    ASSERT_TRUE(std::regex_match(last, match, reason)) << result.out;
    EXPECT_NEAR(std::stod(match[1]), holds, 0.1);

    // Nothing but the headers: ffmpeg writes a tag and an empty frame, and exits 0.
    const std::string headers = m_folder.file("headers.ape");
    writeApeWithoutFrames(headers);
    checkFailsAndLeavesNothing(headers, "input ends early: 0.00 s of 180.00 s");
}

TEST_F(CoderEndToEnd, CutOptionsSetTheAnnouncedAndTheExpectedLength) {
    const std::string longFile = benchFixture("long-180s-44k-stereo-c4000.ape");
    const std::vector<std::pair<std::vector<std::string>, double>> cases = {
        {{"-ss", "30", "-t", "20"}, 20.0},
        {{"-ss", "00:02:50", "-t", "60"}, 10.0},  // only 10 s are left after the start
    };
    for (const auto& [before, length] : cases) {
        SCOPED_TRACE(before[1]);
        const std::string output = m_folder.file("cut.mp3");
        std::remove(output.c_str());
        const ProcessResult result =
            convert(longFile, "44100", "128", "2", output, true, {}, before);
        EXPECT_EQ(result.exitCode, 0) << result.out;
        checkSuccessfulOutput(result, length);
        EXPECT_NEAR(number(probe(output), "duration"), length, 0.1);
    }

    // Cut from 60 s into a file that stops at ~87 s: 120 s were expected.
    const std::string cut = m_folder.file("cut.ape");
    const double holds = writeApeCutAtAFrame(cut);
    const ProcessResult result = checkFailsAndLeavesNothing(cut, "", true, {"-ss", "60"});
    int banners = 0;
    for (const std::string& line : result.outLines()) {
        banners += startsWith(line, "  Duration: ") ? 1 : 0;
        EXPECT_FALSE(startsWith(line, "  Duration: ") &&
                     !startsWith(line, "  Duration: 00:02:00.00, start: "))
            << line;
    }
    EXPECT_EQ(banners, 1) << result.out;
    static const std::regex shortfall(
        R"(^coder: conversion failed: input ends early: (\d+\.\d\d) s of 120\.00 s$)");
    std::smatch match;
    const std::string last = lastLine(result);
    ASSERT_TRUE(std::regex_match(last, match, shortfall)) << result.out;
    EXPECT_NEAR(std::stod(match[1]), holds - 60.0, 0.1);
}

TEST_F(CoderEndToEnd, NonEmptyOutputIsNeverOverwritten) {
    const std::string output = m_folder.write("exists.mp3", "old contents");
    ProcessOptions options;
    options.stdinPipe = true;  // a terminal nobody types into: ffmpeg must never ask
    for (bool overwrite : {true, false}) {
        SCOPED_TRACE(overwrite ? "with -y" : "without -y");
        const ProcessResult result = convert(apeFixture("speech-22k-mono-16bit-c1000.ape"), "22050",
                                             "64", "1", output, overwrite, options);
        EXPECT_EQ(result.exitCode, 1) << result.out;
        EXPECT_EQ(lastLine(result), "coder: conversion failed: the output name is taken: " + output)
            << result.out;
        EXPECT_EQ(readFile(output), "old contents");
        EXPECT_EQ(folderEntries(m_folder.path()), std::vector<std::string>{"exists.mp3"});
    }
}

TEST_F(CoderEndToEnd, LinkLeftAtTheTemporaryNameIsRemovedNotWrittenThrough) {
    const std::string victim = m_folder.write("victim.txt", "someone's file");
    ASSERT_EQ(::symlink(victim.c_str(), m_folder.file(".out.mp3.part").c_str()), 0);
    const std::string output = m_folder.file("out.mp3");
    const ProcessResult result =
        convert(apeFixture("speech-22k-mono-16bit-c1000.ape"), "22050", "64", "1", output);
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(readFile(victim), "someone's file");
    struct stat info {};
    ASSERT_EQ(::lstat(output.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(probe(output)["codec_name"], "mp3");
    EXPECT_EQ(folderEntries(m_folder.path()), (std::vector<std::string>{"out.mp3", "victim.txt"}));
}

class CoderStopped : public CoderEndToEnd {
protected:
    // Starts coder on the three-minute bench file onto a reserved name and waits for its
    // ffmpeg child.
    void startLongConversion() {
        m_folder.write("long.mp3", "");
        m_coder = std::make_unique<TestProcess>(
            kCoderPath, std::vector<std::string>{
                            "-i", benchFixture("long-180s-44k-stereo-c4000.ape"), "-y", "-vn",
                            "-ar", "44100", "-ab", "128k", "-ac", "2", m_folder.file("long.mp3")});
        const std::optional<pid_t> child = waitForChild(m_coder->pid(), "ffmpeg", 10s);
        ASSERT_TRUE(child.has_value()) << "no ffmpeg child of coder";
        m_ffmpeg = *child;
        // Let the conversion get going: ffmpeg has written part of its file (a busy machine may
        // take a while to get there).
        const auto deadline = std::chrono::steady_clock::now() + 20s;
        while (!fileExists(m_folder.file(".long.mp3.part")) && !m_coder->ended() &&
               std::chrono::steady_clock::now() < deadline) {
            m_coder->pump(50ms);
        }
        m_coder->pump(200ms);
        ASSERT_FALSE(m_coder->ended()) << m_coder->outSoFar();
        ASSERT_TRUE(fileExists(m_folder.file(".long.mp3.part"))) << "ffmpeg writes elsewhere";
    }

    std::unique_ptr<TestProcess> m_coder;
    pid_t m_ffmpeg = -1;
};

TEST_F(CoderStopped, SigtermEndsCoderAndItsFfmpegAndLeavesNothing) {
    startLongConversion();
    if (HasFatalFailure()) {
        return;
    }
    const auto stopAt = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(m_coder->pid(), SIGTERM), 0);
    const ProcessResult result = m_coder->finish(60s);
    EXPECT_LT(std::chrono::steady_clock::now() - stopAt, 2s) << "coder took too long to stop";
    EXPECT_TRUE(waitUntilGone(m_ffmpeg, 100ms)) << "ffmpeg outlived coder";
    EXPECT_EQ(result.exitCode, 128 + SIGTERM) << result.out;
    EXPECT_TRUE(startsWith(lastLine(result), "coder: conversion failed: coder was stopped by "))
        << result.out;
    EXPECT_EQ(folderEntries(m_folder.path()), std::vector<std::string>{});
}

TEST_F(CoderStopped, SigkillOfCoderStillEndsItsFfmpeg) {
    startLongConversion();
    if (HasFatalFailure()) {
        return;
    }
    ASSERT_EQ(::kill(m_coder->pid(), SIGKILL), 0);
    const ProcessResult result = m_coder->finish(10s);
    EXPECT_EQ(result.signal, SIGKILL);
    const bool gone = waitUntilGone(m_ffmpeg, 2s);
    EXPECT_TRUE(gone) << "ffmpeg outlived a killed coder";
    if (!gone) {
        ::kill(m_ffmpeg, SIGKILL);
    }
}

}  // namespace
