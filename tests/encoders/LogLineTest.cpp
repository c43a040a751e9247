#include "common/LogLine.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Lines as Debian's ffmpeg 5.1 prints them with "-loglevel level+info".
TEST(LogLine, LevelContextsAndMessageAreTakenApart) {
    const std::string warning =
        "[ape @ 0x55fe0f8c3a00] [warning] packet size is not a multiple of 4. extra bytes at "
        "the end will be skipped.";
    LogLine line = parseLogLine(warning);
    EXPECT_EQ(line.level, LogLevel::Warning);
    EXPECT_TRUE(line.isWarning());
    EXPECT_FALSE(line.isError());
    EXPECT_EQ(line.contexts, "[ape @ 0x55fe0f8c3a00] ");
    EXPECT_EQ(line.message,
              "packet size is not a multiple of 4. extra bytes at the end will be skipped.");

    line = parseLogLine("[error] /path/empty.ape: Invalid data found when processing input");
    EXPECT_EQ(line.level, LogLevel::Error);
    EXPECT_TRUE(line.contexts.empty());
    EXPECT_EQ(line.message, "/path/empty.ape: Invalid data found when processing input");

    line = parseLogLine("[info]   Duration: 00:00:03.00, start: 0.000000, bitrate: 573 kb/s");
    EXPECT_EQ(line.level, LogLevel::Info);
    EXPECT_EQ(line.message, "  Duration: 00:00:03.00, start: 0.000000, bitrate: 573 kb/s");
}

TEST(LogLine, NestedContextsAreAllKept) {
    const LogLine line = parseLogLine(
        "[libmp3lame @ 0x55bda1e06140] [Eval @ 0x7ffdb8bf0c50] [error] Undefined constant or "
        "missing '(' in 'abck'");
    EXPECT_EQ(line.level, LogLevel::Error);
    EXPECT_EQ(line.contexts, "[libmp3lame @ 0x55bda1e06140] [Eval @ 0x7ffdb8bf0c50] ");
    EXPECT_EQ(errorReason(line), "Undefined constant or missing '(' in 'abck'");
    EXPECT_EQ(withoutLevelTag(line),
              "[libmp3lame @ 0x55bda1e06140] [Eval @ 0x7ffdb8bf0c50] Undefined constant or "
              "missing '(' in 'abck'");
}

TEST(LogLine, EveryLevelTagIsRecognised) {
    const std::pair<const char*, LogLevel> cases[] = {
        {"[panic] x", LogLevel::Panic}, {"[fatal] x", LogLevel::Fatal},
        {"[error] x", LogLevel::Error}, {"[warning] x", LogLevel::Warning},
        {"[info] x", LogLevel::Info},   {"[verbose] x", LogLevel::Verbose},
        {"[debug] x", LogLevel::Debug}, {"[trace] x", LogLevel::Trace},
    };
    for (const auto& [text, level] : cases) {
        SCOPED_TRACE(text);
        const LogLine line = parseLogLine(text);
        EXPECT_EQ(line.level, level);
        EXPECT_EQ(line.message, "x");
    }
    EXPECT_TRUE(parseLogLine("[fatal] File 'a.mp3' already exists. Exiting.").isError());
    EXPECT_TRUE(parseLogLine("[panic] x").isError());
}

TEST(LogLine, LinesWithoutALevelTagAreUntaggedAndKeptWhole) {
    const char* texts[] = {
        "ffmpeg: error while loading shared libraries: libavdevice.so.59",
        "                    : second line of a tag value",
        "[ape @ 0x1] no level tag after the context",
        "[error]without space",
        "[Error] wrong case",
        "[ape 0x1] [error] context without an at sign",
        "",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const LogLine line = parseLogLine(text);
        EXPECT_EQ(line.level, LogLevel::Untagged);
        EXPECT_EQ(line.message, text);
        EXPECT_TRUE(line.contexts.empty());
    }
}

TEST(LogLine, LevelTagStrippingKeepsTheRestByteForByte) {
    EXPECT_EQ(withoutLevelTag(parseLogLine("[ape @ 0x55e0d9506980] [error] Error decoding frame")),
              "[ape @ 0x55e0d9506980] Error decoding frame");
    EXPECT_EQ(withoutLevelTag(parseLogLine("[warning] Guessed Channel Layout : stereo")),
              "Guessed Channel Layout : stereo");
    EXPECT_EQ(withoutLevelTag(parseLogLine("[error] /歌/月亮 [error] x.ape: No such file")),
              "/歌/月亮 [error] x.ape: No such file");
    EXPECT_EQ(withoutLevelTag(parseLogLine("[info]")), "");
}

TEST(LogLine, ErrorReasonDropsContextsAndSurroundingBlanks) {
    EXPECT_EQ(errorReason(parseLogLine("[ape @ 0x55e0d9506980] [error] Error decoding frame  ")),
              "Error decoding frame");
    EXPECT_EQ(errorReason(parseLogLine(
                  "[libmp3lame @ 0x562ccfb77140] [error] Specified sample rate 12050 is not "
                  "supported")),
              "Specified sample rate 12050 is not supported");
}

TEST(LogLine, DurationBannerIsRecognised) {
    const char* banners[] = {
        "[info]   Duration: 00:03:25.47, start: 0.000000, bitrate: 872 kb/s",
        "[info]   Duration: 00:00:05.00, start: 0.000000, bitrate: 806 kb/s",
        "[info]   Duration: 123:00:00.5, bitrate: 1 kb/s",
        "[info]   Duration: 00:00:02.00, bitrate: 1411 kb/s",
    };
    for (const char* text : banners) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(isDurationBanner(parseLogLine(text)));
    }
}

TEST(LogLine, LookalikesOfTheDurationBannerAreNot) {
    const char* others[] = {
        "[info]   Duration: N/A, start: 0.000000, bitrate: N/A",          // unknown length
        "[warning]   Duration: 00:00:05.00, start: 0.000000",             // not info
        "[ape @ 0x1] [info]   Duration: 00:00:05.00, start: 0.000000",    // has a context
        "[info]     Duration: 00:00:05.00, start: 0.000000",              // indented as metadata
        "[info]     title           : Duration: 00:00:01.00, x",          // a tag value
        "[info]     Duration: 00:00:09.00, fake : value",                 // a tag key
        "[info] size=      79kB time=00:00:05.01 bitrate= 129.4kbits/s",  // statistics
        "[info]   Duration: 0:00:05.00, start: 0.0",                      // one hour digit
        "[info]   Duration: 00:0:05.00, start: 0.0",
        "[info]   Duration: 00:00:05, start: 0.0",  // no fraction
        "[info]   Duration: 00:00:05., start: 0.0",
        "[info]   Duration: 00:00:05.00 start: 0.0",  // no comma
        "[info]   Duration: 00:00:05.00",
        "  Duration: 00:00:05.00, start: 0.000000",  // untagged
    };
    for (const char* text : others) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(isDurationBanner(parseLogLine(text)));
    }
}

}  // namespace
