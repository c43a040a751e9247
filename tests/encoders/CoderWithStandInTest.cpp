// coder against small shell scripts standing in for ffmpeg (via VORDANA_FFMPEG): what it passes
// on, how long it stays, what it prints and how it exits, without ffmpeg's own timing.

#include "CoderTestSupport.h"
#include "ProcFs.h"
#include "TempFolder.h"
#include "TestProcess.h"
#include "common/ArgumentTranslation.h"
#include "common/ExecutableLookup.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// Sets `last` to the stand-in's last argument, the file ffmpeg is to write.
const char* const kFindOutput = "for last; do :; done\n";

// Shell lines that write three MPEG audio frames of `frameBytes` bytes each, starting with the
// four header bytes given as octal escapes, to "$last".
std::string writeFrames(const std::string& header, int frameBytes) {
    return std::string(kFindOutput) + "i=0; while [ $i -lt 3 ]; do printf '" + header +
           "'; head -c " + std::to_string(frameBytes - 4) +
           " /dev/zero; i=$((i+1)); done > \"$last\"\n";
}

// Frames as libmp3lame writes them for the standard command: MPEG-1 Layer III, 128 kbit/s,
// 44100 Hz, stereo.
const std::string kWriteMp3 = writeFrames("\\377\\373\\220\\000", 417);

class CoderWithStandIn : public ::testing::Test {
protected:
    ProcessResult runCoder(const std::string& script, const std::vector<std::string>& arguments,
                           std::vector<std::pair<std::string, std::string>> environment = {}) {
        ProcessOptions options;
        options.environment = std::move(environment);
        options.environment.emplace_back("VORDANA_FFMPEG", script);
        ProcessResult result = runProcess(kCoderPath, arguments, options, 60s);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.err, "") << "coder prints everything to stdout";
        return result;
    }

    std::vector<std::string> command(const std::string& rate = "44100") const {
        return {"-i", m_folder.file("in.ape"), "-y", "-vn", "-ar", rate, "-ab", "128k", "-ac",
                "2",  m_folder.file("out.mp3")};
    }

    TempFolder m_folder;
};

TEST_F(CoderWithStandIn, FfmpegGetsTheTranslatedArgumentsOneByOne) {
    const std::string script = m_folder.writeScript(
        "ffmpeg", std::string("for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$ARGS\"\n") +
                      writeFrames("\\377\\343\\104\\300", 192));  // MPEG-2.5, 12000 Hz, mono
    const std::string input = m_folder.file("in put 月亮.ape");
    const std::string output = m_folder.file("out file.MP3");
    const std::vector<std::string> coderArgs = {
        "-i",  input,   "-y",  "-vn", "-metadata",   "TITLE=x", "-ar", "12050",
        "-ab", "10.2k", "-ac", "1",   "-metadata:g", "ARTIST=", output};
    const ProcessResult result = runCoder(script, coderArgs, {{"ARGS", m_folder.file("args.txt")}});

    // The output is written under a temporary name, so ffmpeg is told the format. coder writes
    // the MP3's tag itself: ffmpeg gets no -metadata and is told to write no tag.
    std::vector<std::string> expected = ffmpegFixedArguments();
    for (std::size_t i = 0; i + 1 < coderArgs.size(); ++i) {
        if (startsWith(coderArgs[i], "-metadata")) {
            ++i;
            continue;
        }
        expected.push_back(coderArgs[i] == "12050" ? "12000" : coderArgs[i]);
    }
    for (const std::string& a :
         {std::string("-f"), std::string("mp3"), std::string("-map_metadata"), std::string("-1"),
          std::string("-id3v2_version"), std::string("0"), m_folder.file(".out file.MP3.part")}) {
        expected.push_back(a);
    }
    EXPECT_EQ(splitLines(readFile(m_folder.file("args.txt"))), expected);
    EXPECT_EQ(result.exitCode, 0) << result.out;
    EXPECT_EQ(countLines(result, "coder: the MP3 encoder does not take 12050 Hz; using 12000 Hz"),
              1)
        << result.out;
}

TEST_F(CoderWithStandIn, StaysAliveUntilFfmpegHasEnded) {
    // The stand-in closes its output at once, so only waiting for the process itself keeps
    // coder there for the whole second.
    const std::string script =
        m_folder.writeScript("ffmpeg", "exec >/dev/null 2>&1\nsleep 1\necho done > \"$MARK\"\n");
    const ProcessResult result = runCoder(script, command(), {{"MARK", m_folder.file("mark")}});
    EXPECT_TRUE(fileExists(m_folder.file("mark"))) << "coder ended before its ffmpeg";
    EXPECT_GE(result.elapsed, 1000ms);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_EQ(lastLine(result), "coder: conversion failed: no output file was written");
}

TEST_F(CoderWithStandIn, ExitStatusAndLastLineFollowFfmpegAndTheOutputFile) {
    struct Case {
        const char* name;
        std::string body;
        int exitCode;
        std::string lastLine;
    };
    const std::vector<Case> cases = {
        {"writes the file", kWriteMp3, 0, ""},
        {"writes nothing", "exit 0\n", 1, "coder: conversion failed: no output file was written"},
        {"writes an empty file", std::string(kFindOutput) + ": > \"$last\"\n", 1,
         "coder: conversion failed: the output file is empty"},
        {"fails silently", kWriteMp3 + "exit 3\n", 1,
         "coder: conversion failed: ffmpeg exited with status 3"},
        {"fails with errors",
         "echo '[info] Conversion' >&2\necho '[foo @ 0x1f] [error] Something broke ' >&2\n"
         "echo '[error] and then this' >&2\nexit 1\n",
         1, "coder: conversion failed: Something broke"},
        {"is killed", "kill -KILL $$\n", 1,
         "coder: conversion failed: ffmpeg was ended by signal 9"},
    };
    const std::string output = m_folder.file("out.mp3");
    const std::string temporary = m_folder.file(".out.mp3.part");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_folder.write("out.mp3", "");  // the program's reservation of the name
        const std::string script = m_folder.writeScript("ffmpeg", c.body);
        const ProcessResult result = runCoder(script, command());
        EXPECT_EQ(result.exitCode, c.exitCode) << result.out;
        EXPECT_FALSE(fileExists(temporary));
        if (c.exitCode == 0) {
            EXPECT_EQ(result.out.find("conversion failed"), std::string::npos) << result.out;
            EXPECT_EQ(readFile(output).size(), 3U * 417U) << "the frames were not published";
        } else {
            EXPECT_TRUE(startsWith(lastLine(result), c.lastLine)) << result.out;
            EXPECT_FALSE(fileExists(output)) << "the reservation outlived a failure";
        }
    }
}

TEST_F(CoderWithStandIn, OutputThatIsNotTheAskedStreamFailsAndLeavesNothing) {
    // Real streams of the wrong kind, written by Debian's ffmpeg behind coder's back: coder
    // asks for 44100 Hz stereo MP3.
    const char* path = std::getenv("PATH");
    const std::string ffmpeg =
        findExecutable("ffmpeg", path != nullptr ? path : "/usr/bin:/bin").value_or("ffmpeg");
    const std::string encode = std::string(kFindOutput) + "exec '" + ffmpeg +
                               "' -nostdin -v error -i '" +
                               apeFixture("tone-44k-stereo-16bit-c2000.ape") + "' -y ";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {encode + "-c:a mp2 -f mp2 \"$last\"\n",
         "the output is not an MP3 stream: it holds MPEG-1 Layer II audio"},
        {encode + "-ar 22050 -ac 1 -f mp3 \"$last\"\n",
         "the MP3 stream is not as asked: expected 44100 Hz, 2 channels, found 22050 Hz, "
         "1 channel"},
        {encode + "-ac 1 -f mp3 \"$last\"\n",
         "the MP3 stream is not as asked: expected 2 channels, found 1 channel"},
        {std::string(kFindOutput) + "printf 'ID3 is not enough\\n' > \"$last\"\n",
         "the output is not an MP3 stream: no MPEG audio frame found"},
    };
    for (const auto& [body, reason] : cases) {
        SCOPED_TRACE(reason);
        m_folder.write("out.mp3", "");
        const ProcessResult result = runCoder(m_folder.writeScript("ffmpeg", body), command());
        EXPECT_EQ(result.exitCode, 1) << result.out;
        EXPECT_EQ(lastLine(result), "coder: conversion failed: " + reason) << result.out;
        EXPECT_FALSE(fileExists(m_folder.file(".out.mp3.part")));
        EXPECT_FALSE(fileExists(m_folder.file("out.mp3")));
    }
}

TEST_F(CoderWithStandIn, OutputShorterThanTheInputFailsUnlessItsLengthWasAGuess) {
    // ffmpeg exits 0 after 87 s of a 180-second input.
    const std::string run =
        "echo '[info]   Duration: 00:03:00.00, start: 0.000000, bitrate: 396 kb/s' >&2\n"
        "printf 'out_time_us=86936531\\nprogress=end\\n'\n" +
        kWriteMp3;
    const std::string guess =
        "echo '[mp3 @ 0x5f] [warning] Estimating duration from bitrate, this may be "
        "inaccurate' >&2\n";
    for (bool guessed : {false, true}) {
        SCOPED_TRACE(guessed ? "guessed" : "exact");
        m_folder.write("out.mp3", "");
        const std::string script = m_folder.writeScript("ffmpeg", (guessed ? guess : "") + run);
        const ProcessResult result = runCoder(script, command());
        if (guessed) {
            EXPECT_EQ(result.exitCode, 0) << result.out;
            EXPECT_EQ(readFile(m_folder.file("out.mp3")).size(), 3U * 417U);
        } else {
            EXPECT_EQ(result.exitCode, 1) << result.out;
            EXPECT_EQ(lastLine(result),
                      "coder: conversion failed: input ends early: 86.94 s of 180.00 s");
            EXPECT_FALSE(fileExists(m_folder.file("out.mp3")));
        }
        EXPECT_FALSE(fileExists(m_folder.file(".out.mp3.part")));
    }
}

TEST_F(CoderWithStandIn, ErrorLinesAreRelayedWithoutTheirLevelTag) {
    const std::string script = m_folder.writeScript(
        "ffmpeg",
        "echo '[info]   Duration: 00:00:03.00, start: 0.000000, bitrate: 573 kb/s' >&2\n"
        "echo '[info]   Duration: 00:00:09.00, start: 0.000000, bitrate: 573 kb/s' >&2\n"
        "echo '[ape @ 0x55e0d9506980] [warning] packet size is not a multiple of 4.' >&2\n"
        "echo '[ape @ 0x55e0d9506980] [error] Error decoding frame' >&2\n"
        "echo '[info] Conversion failed!' >&2\nexit 1\n");
    const ProcessResult result = runCoder(script, command());
    std::vector<std::string> lines;
    for (const std::string& line : result.outLines()) {
        if (!startsWith(line, "time=")) {
            lines.push_back(line);
        }
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "  Duration: 00:00:03.00, start: 0.000000, bitrate: 573 kb/s",
                         "[ape @ 0x55e0d9506980] packet size is not a multiple of 4.",
                         "[ape @ 0x55e0d9506980] Error decoding frame",
                         "coder: conversion failed: Error decoding frame",
                     }));
}

TEST_F(CoderWithStandIn, FloodsOfWarningsAndErrorsAreCapped) {
    const std::string script = m_folder.writeScript(
        "ffmpeg",
        "i=0; while [ $i -lt 30 ]; do echo \"[mp3 @ 0x1] [warning] warning $i\" >&2; "
        "i=$((i+1)); done\n"
        "i=0; while [ $i -lt 60 ]; do echo \"[mp3 @ 0x1] [error] error $i\" >&2; "
        "i=$((i+1)); done\nexit 1\n");
    const ProcessResult result = runCoder(script, command());
    int warnings = 0;
    int errors = 0;
    for (const std::string& line : result.outLines()) {
        warnings += startsWith(line, "[mp3 @ 0x1] warning ") ? 1 : 0;
        errors += startsWith(line, "[mp3 @ 0x1] error ") ? 1 : 0;
    }
    EXPECT_EQ(warnings, 20);
    EXPECT_EQ(errors, 50);
    EXPECT_EQ(countLines(result, "coder: 10 more warning lines of ffmpeg left out"), 1);
    EXPECT_EQ(countLines(result, "coder: 10 more error lines of ffmpeg left out"), 1);
    EXPECT_EQ(lastLine(result), "coder: conversion failed: error 0");
}

TEST_F(CoderWithStandIn, HeartbeatKeepsTimeLinesComingWhileFfmpegIsQuiet) {
    const std::string script = m_folder.writeScript(
        "ffmpeg", std::string("printf 'out_time_us=N/A\\nprogress=continue\\n'\nsleep 1.6\n"
                              "printf 'out_time_us=2500000\\nspeed=2x\\nprogress=continue\\n'\n"
                              "sleep 1.6\n"
                              "printf 'out_time_us=3000000\\nspeed=2.1x\\nprogress=end\\n'\n") +
                      kWriteMp3);
    const ProcessResult result = runCoder(script, command());
    EXPECT_EQ(result.exitCode, 0) << result.out;
    // Nothing but time lines: the first ones before any time is known, then repeats.
    const std::vector<std::string> lines = result.outLines();
    for (const std::string& line : lines) {
        EXPECT_TRUE(line == "time=0.00" || line == "time=2.50 speed=2x" ||
                    line == "time=3.00 speed=2.1x")
            << line;
    }
    EXPECT_GE(countLines(result, "time=0.00"), 2) << result.out;
    EXPECT_GE(countLines(result, "time=2.50 speed=2x"), 3) << result.out;
    EXPECT_EQ(lastLine(result), "time=3.00 speed=2.1x");
}

TEST_F(CoderWithStandIn, CannotStartFfmpeg) {
    const std::vector<std::string> standIns = {
        m_folder.file("missing-ffmpeg"),
        m_folder.write("not-executable", "#!/bin/sh\nexit 0\n"),
        m_folder.writeExecutable("bad-interpreter", "#!/nonexistent/shell\nexit 0\n"),
        "no-such-ffmpeg-on-the-path",
    };
    for (const std::string& standIn : standIns) {
        SCOPED_TRACE(standIn);
        const ProcessResult result = runCoder(standIn, command());
        EXPECT_EQ(result.exitCode, 127) << result.out;
        EXPECT_TRUE(startsWith(lastLine(result), "coder: conversion failed: cannot start ffmpeg"))
            << result.out;
        EXPECT_NE(lastLine(result).find(standIn), std::string::npos) << result.out;
    }
}

TEST_F(CoderWithStandIn, NoArgumentsIsAUsageError) {
    const ProcessResult result = runProcess(kCoderPath, {}, {}, 10s);
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_TRUE(startsWith(lastLine(result), "coder: usage:")) << result.out;
}

TEST_F(CoderWithStandIn, StopSignalsArePassedOnAndGiveShellStyleStatus) {
    // The stand-in notes which signal reached it. "wait" lets the traps run at once.
    std::string body;
    for (const char* name : {"TERM", "INT", "HUP", "QUIT"}) {
        body +=
            std::string("trap 'echo ") + name + " > \"$MARK\"; kill $pid; exit 5' " + name + "\n";
    }
    // It writes part of its output first, as ffmpeg has by the time it is stopped.
    body += kWriteMp3 + "sleep 30 & pid=$!\n: > \"$READY\"\nwait $pid\n";
    const std::string script = m_folder.writeScript("ffmpeg", body);

    const std::vector<std::pair<int, std::string>> signals = {
        {SIGTERM, "TERM"}, {SIGINT, "INT"}, {SIGHUP, "HUP"}, {SIGQUIT, "QUIT"}};
    for (const auto& [signal, name] : signals) {
        SCOPED_TRACE(name);
        std::remove(m_folder.file("ready").c_str());
        std::remove(m_folder.file("mark").c_str());
        m_folder.write("out.mp3", "");  // the program's reservation of the name
        ProcessOptions options;
        options.environment = {{"VORDANA_FFMPEG", script},
                               {"MARK", m_folder.file("mark")},
                               {"READY", m_folder.file("ready")}};
        TestProcess coder(kCoderPath, command(), options);
        for (int i = 0; i < 500 && !fileExists(m_folder.file("ready")); ++i) {
            coder.pump(10ms);
        }
        ASSERT_TRUE(fileExists(m_folder.file("ready"))) << coder.outSoFar();
        ASSERT_EQ(::kill(coder.pid(), signal), 0);
        const ProcessResult result = coder.finish(30s);
        EXPECT_FALSE(result.timedOut);
        EXPECT_EQ(result.exitCode, 128 + signal) << result.out;
        EXPECT_EQ(readFile(m_folder.file("mark")), name + "\n");
        EXPECT_TRUE(startsWith(lastLine(result),
                               "coder: conversion failed: coder was stopped by "
                               "signal " +
                                   std::to_string(signal)))
            << result.out;
        EXPECT_FALSE(fileExists(m_folder.file(".out.mp3.part"))) << "partial output left";
        EXPECT_FALSE(fileExists(m_folder.file("out.mp3"))) << "reservation left";
    }
}

TEST_F(CoderWithStandIn, FfmpegThatIgnoresTheStopSignalIsKilled) {
    const std::string script =
        m_folder.writeScript("ffmpeg", "trap '' TERM\n: > \"$READY\"\nexec sleep 30\n");
    ProcessOptions options;
    options.environment = {{"VORDANA_FFMPEG", script}, {"READY", m_folder.file("ready")}};
    TestProcess coder(kCoderPath, command(), options);
    for (int i = 0; i < 500 && !fileExists(m_folder.file("ready")); ++i) {
        coder.pump(10ms);
    }
    ASSERT_TRUE(fileExists(m_folder.file("ready")));
    const std::optional<pid_t> standIn = waitForChild(coder.pid(), "sleep", 5s);
    ASSERT_TRUE(standIn.has_value());

    const auto stopAt = std::chrono::steady_clock::now();
    ASSERT_EQ(::kill(coder.pid(), SIGTERM), 0);
    const ProcessResult result = coder.finish(60s);
    const auto took = std::chrono::steady_clock::now() - stopAt;
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 128 + SIGTERM) << result.out;
    EXPECT_LT(took, 10s);
    EXPECT_TRUE(processGone(*standIn));
}

}  // namespace
