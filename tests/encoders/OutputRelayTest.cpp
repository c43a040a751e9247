#include "common/OutputRelay.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Relay {
    std::vector<std::string> printed;
    OutputRelay relay;

    explicit Relay(RelayLimits limits = {})
        : relay([this](std::string_view line) { printed.emplace_back(line); }, limits) {}

    void log(const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            relay.logLine(line);
        }
    }
};

// ffmpeg's stderr for a truncated .ape (Debian ffmpeg 5.1, "-loglevel level+info").
const std::vector<std::string> kTruncatedRun = {
    "[info] Input #0, ape, from '/fixtures/truncated.ape':",
    "[info]   Duration: 00:00:03.00, start: 0.000000, bitrate: 573 kb/s",
    "[info]   Stream #0:0: Audio: ape (APE  / 0x20455041), 44100 Hz, stereo, s16p",
    "[info] Stream mapping:",
    "[info]   Stream #0:0 -> #0:0 (ape (native) -> mp3 (libmp3lame))",
    "[info] Output #0, mp3, to 'out.mp3':",
    "[info]   Metadata:",
    "[info]     TSSE            : Lavf59.27.100",
    "[info]   Stream #0:0: Audio: mp3, 44100 Hz, stereo, s16p, 128 kb/s",
    "[ape @ 0x55e0d9506980] [warning] packet size is not a multiple of 4. extra bytes at the "
    "end will be skipped.",
    "[ape @ 0x55e0d9506980] [error] Error decoding frame",
    "[libmp3lame @ 0x55e0d9509400] [warning] 4 frames left in the queue on closing",
    "[info] Conversion failed!",
};

TEST(OutputRelay, KeepsTheDurationWarningsAndErrorsAndDropsOtherInfo) {
    Relay r;
    r.log(kTruncatedRun);
    EXPECT_EQ(r.printed,
              (std::vector<std::string>{
                  "  Duration: 00:00:03.00, start: 0.000000, bitrate: 573 kb/s",
                  "[ape @ 0x55e0d9506980] packet size is not a multiple of 4. extra bytes at the "
                  "end will be skipped.",
                  "[ape @ 0x55e0d9506980] Error decoding frame",
                  "[libmp3lame @ 0x55e0d9509400] 4 frames left in the queue on closing",
              }));
    EXPECT_EQ(r.relay.firstError(), "Error decoding frame");
    EXPECT_TRUE(r.relay.sawDuration());
}

TEST(OutputRelay, OnlyTheFirstDurationLineIsPrinted) {
    Relay r;
    r.log({"[info]   Duration: 00:00:03.00, start: 0.000000, bitrate: 573 kb/s",
           "[info]   Duration: 00:00:09.00, start: 0.000000, bitrate: 1 kb/s",
           "[info]     comment         : Duration: 00:00:07.00, start: 0"});
    EXPECT_EQ(
        r.printed,
        (std::vector<std::string>{"  Duration: 00:00:03.00, start: 0.000000, bitrate: 573 kb/s"}));
}

TEST(OutputRelay, MetadataThatLooksLikeProgressNeverGetsThrough) {
    Relay r;
    r.log({"[info] Input #0, ape, from 'time=12.00 x.ape':", "[info]   Metadata:",
           "[info]     Title           : time=99.00 speed=1x",
           "[info]     Comment         : Duration: 00:09:00.00, start",
           "[info] size=      79kB time=00:00:05.01 bitrate= 129.4kbits/s speed=42.9x"});
    EXPECT_TRUE(r.printed.empty());
    EXPECT_FALSE(r.relay.sawDuration());
}

TEST(OutputRelay, TimeLinesComeFromProgressBlocksWithAKnownTime) {
    Relay r;
    EXPECT_FALSE(r.relay.progressLine("out_time_us=N/A"));
    EXPECT_FALSE(r.relay.progressLine("progress=continue"));
    EXPECT_FALSE(r.relay.progressLine("out_time_us=45000000"));
    EXPECT_FALSE(r.relay.progressLine("speed=40.1x"));
    EXPECT_TRUE(r.relay.progressLine("progress=continue"));
    EXPECT_FALSE(r.relay.progressLine("out_time_us=45500000"));
    EXPECT_TRUE(r.relay.progressLine("progress=end"));
    EXPECT_EQ(r.printed, (std::vector<std::string>{"time=45.00 speed=40.1x", "time=45.50"}));
}

TEST(OutputRelay, HeartbeatRepeatsTheLastTimeLine) {
    Relay r;
    r.relay.heartbeat();
    r.relay.progressLine("out_time_us=2500000");
    r.relay.progressLine("speed=3x");
    r.relay.progressLine("progress=continue");
    r.relay.heartbeat();
    r.relay.progressLine("out_time_us=N/A");
    r.relay.progressLine("progress=continue");
    r.relay.heartbeat();
    EXPECT_EQ(r.printed, (std::vector<std::string>{"time=0.00", "time=2.50 speed=3x",
                                                   "time=2.50 speed=3x", "time=2.50 speed=3x"}));
}

TEST(OutputRelay, WarningFloodIsCappedAndCounted) {
    Relay r;
    for (int i = 0; i < 25; ++i) {
        r.relay.logLine("[ape @ 0x1] [warning] warning " + std::to_string(i));
    }
    r.relay.logLine("[ape @ 0x1] [error] still shown");
    r.relay.finish();
    ASSERT_EQ(r.printed.size(), 22U);
    EXPECT_EQ(r.printed[0], "[ape @ 0x1] warning 0");
    EXPECT_EQ(r.printed[19], "[ape @ 0x1] warning 19");
    EXPECT_EQ(r.printed[20], "[ape @ 0x1] still shown");
    EXPECT_EQ(r.printed[21], "coder: 5 more warning lines of ffmpeg left out");
}

TEST(OutputRelay, ErrorsHaveTheirOwnLargerCap) {
    Relay r;
    for (int i = 0; i < 51; ++i) {
        r.relay.logLine("[error] error " + std::to_string(i));
    }
    r.relay.finish();
    ASSERT_EQ(r.printed.size(), 51U);
    EXPECT_EQ(r.printed[49], "error 49");
    EXPECT_EQ(r.printed[50], "coder: 1 more error line of ffmpeg left out");
    EXPECT_EQ(r.relay.firstError(), "error 0");
}

TEST(OutputRelay, NothingLeftOutSaysNothing) {
    Relay r;
    r.log(kTruncatedRun);
    const std::size_t before = r.printed.size();
    r.relay.finish();
    EXPECT_EQ(r.printed.size(), before);
}

TEST(OutputRelay, FatalCountsAsErrorAndTheFirstErrorWins) {
    Relay r;
    r.log({"[warning] Guessed Channel Layout for Input Stream #0.0 : stereo",
           "[libmp3lame @ 0x562ccfb77140] [error] Specified sample rate 12050 is not supported",
           "[fatal] later"});
    EXPECT_EQ(r.relay.firstError(), "Specified sample rate 12050 is not supported");

    Relay f;
    f.log({"[fatal] File 'exists.mp3' already exists. Exiting."});
    EXPECT_EQ(f.relay.firstError(), "File 'exists.mp3' already exists. Exiting.");
    EXPECT_EQ(f.printed, (std::vector<std::string>{"File 'exists.mp3' already exists. Exiting."}));
}

TEST(OutputRelay, UntaggedLinesFollowTheLineBeforeThem) {
    Relay r;
    r.log({"[info]   Metadata:", "                    : continued info", "[warning] first",
           "second line of the warning", "[error] bad", "more about it"});
    EXPECT_EQ(r.printed, (std::vector<std::string>{"first", "second line of the warning", "bad",
                                                   "more about it"}));
    EXPECT_EQ(r.relay.firstError(), "bad");
}

TEST(OutputRelay, UntaggedTextBeforeAnyLogLineIsAnError) {
    Relay r;
    r.log(
        {"ffmpeg: error while loading shared libraries: libx.so.1: cannot open shared "
         "object file"});
    EXPECT_EQ(r.relay.firstError(),
              "ffmpeg: error while loading shared libraries: libx.so.1: cannot open shared "
              "object file");
    EXPECT_EQ(r.printed.size(), 1U);
}

TEST(OutputRelay, EmptyErrorMessagesGiveNoReason) {
    Relay r;
    r.log({"[error] ", "[error] the real one"});
    EXPECT_EQ(r.relay.firstError(), "the real one");
}

TEST(OutputRelay, NotesArePrefixed) {
    Relay r;
    r.relay.note("the MP3 encoder does not take 12050 Hz; using 12000 Hz");
    EXPECT_EQ(r.printed, (std::vector<std::string>{
                             "coder: the MP3 encoder does not take 12050 Hz; using 12000 Hz"}));
}

TEST(OutputRelay, LongLinesAreCutAtACharacterBoundary) {
    RelayLimits limits;
    limits.lineBytes = 10;
    Relay r(limits);
    r.relay.logLine("[warning] abcdefghijklmnop");
    r.relay.logLine("[warning] 月亮代表我的心");  // three bytes a character
    r.relay.logLine("[warning] short");
    EXPECT_EQ(r.printed, (std::vector<std::string>{"abcdefg...", "月亮...", "short"}));

    EXPECT_EQ(shortenLine("exactly10!", 10), "exactly10!");
    EXPECT_EQ(shortenLine("abcdef", 3), "...");
}

}  // namespace
