// coder with Debian's ffmpeg on the APE fixtures: the files it writes (checked with ffprobe),
// the lines it prints, its exit status, and that no ffmpeg outlives it.

#include "CoderTestSupport.h"
#include "ProcFs.h"
#include "TempFolder.h"
#include "TestProcess.h"
#include "common/ExecutableLookup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
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
    ProcessResult convert(const std::string& source, const std::string& rate,
                          const std::string& bitRate, const std::string& channels,
                          const std::string& output, bool overwrite = true,
                          ProcessOptions options = {}) {
        std::vector<std::string> arguments = {"-i", source};
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

    void checkMp3(const Mp3Case& c, const std::string& output) {
        const ProcessResult result = convert(c.source, c.rate, c.bitRate, c.channels, output);
        EXPECT_EQ(result.exitCode, 0) << result.out;
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

    TempFolder m_folder;
};

TEST_F(CoderEndToEnd, ConvertsGoodApeFilesToMp3) {
    const std::vector<Mp3Case> cases = {
        {apeFixture("tone-44k-stereo-16bit-c2000.ape"), "44100", "128", "2", 44100},
        {apeFixture("speech-22k-mono-16bit-c1000.ape"), "22050", "64", "1", 22050},
    };
    for (const Mp3Case& c : cases) {
        SCOPED_TRACE(c.source);
        checkMp3(c, m_folder.file("out.mp3"));
    }
}

TEST_F(CoderEndToEnd, RateTheEncoderRefusesIsMappedAndSaid) {
    const Mp3Case c{
        apeFixture("speech-22k-mono-16bit-c1000.ape"), "12050", "32", "1", 12000, false};
    const std::string output = m_folder.file("月亮 mapped.mp3");
    checkMp3(c, output);
    const ProcessResult again = convert(c.source, c.rate, c.bitRate, c.channels, output);
    EXPECT_EQ(countLines(again, "coder: the MP3 encoder does not take 12050 Hz; using 12000 Hz"), 1)
        << again.out;
}

TEST_F(CoderEndToEnd, BadInputsFailWithAReason) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"truncated.ape", "coder: conversion failed: Error decoding frame"},
        {"empty.ape", "coder: conversion failed: "},
        {"not-audio.ape", "coder: conversion failed: "},
    };
    for (const auto& [name, expected] : cases) {
        SCOPED_TRACE(name);
        const ProcessResult result =
            convert(apeFixture(name), "44100", "128", "2", m_folder.file(name + ".mp3"));
        EXPECT_NE(result.exitCode, 0) << result.out;
        EXPECT_TRUE(startsWith(lastLine(result), expected)) << result.out;
        if (name != "truncated.ape") {
            EXPECT_NE(lastLine(result).find("Invalid data found when processing input"),
                      std::string::npos)
                << result.out;
        }
    }
}

TEST_F(CoderEndToEnd, ExistingOutputNeverMakesItWaitForInput) {
    const std::string output = m_folder.write("exists.mp3", "old contents");
    ProcessOptions options;
    options.stdinPipe = true;  // a terminal nobody types into

    const ProcessResult overwritten = convert(apeFixture("speech-22k-mono-16bit-c1000.ape"),
                                              "22050", "64", "1", output, true, options);
    EXPECT_EQ(overwritten.exitCode, 0) << overwritten.out;
    EXPECT_EQ(probe(output)["codec_name"], "mp3");

    // Without -y ffmpeg refuses instead of asking.
    const ProcessResult refused = convert(apeFixture("speech-22k-mono-16bit-c1000.ape"), "22050",
                                          "64", "1", output, false, options);
    EXPECT_NE(refused.exitCode, 0) << refused.out;
    EXPECT_TRUE(startsWith(lastLine(refused), "coder: conversion failed: ")) << refused.out;
    EXPECT_NE(lastLine(refused).find("already exists"), std::string::npos) << refused.out;
}

class CoderStopped : public CoderEndToEnd {
protected:
    // Starts coder on the three-minute bench file and waits for its ffmpeg child.
    void startLongConversion() {
        m_coder = std::make_unique<TestProcess>(
            kCoderPath, std::vector<std::string>{
                            "-i", benchFixture("long-180s-44k-stereo-c4000.ape"), "-y", "-vn",
                            "-ar", "44100", "-ab", "128k", "-ac", "2", m_folder.file("long.mp3")});
        const std::optional<pid_t> child = waitForChild(m_coder->pid(), "ffmpeg", 10s);
        ASSERT_TRUE(child.has_value()) << "no ffmpeg child of coder";
        m_ffmpeg = *child;
        m_coder->pump(300ms);  // let the conversion get going
        ASSERT_FALSE(m_coder->ended()) << m_coder->outSoFar();
    }

    std::unique_ptr<TestProcess> m_coder;
    pid_t m_ffmpeg = -1;
};

TEST_F(CoderStopped, SigtermEndsCoderAndItsFfmpeg) {
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
