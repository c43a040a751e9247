#include "common/ProgressReader.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<ProgressBlock> readAll(const std::string& text) {
    ProgressReader reader;
    std::vector<ProgressBlock> blocks;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (auto block = reader.feedLine(line)) {
            blocks.push_back(*block);
        }
    }
    return blocks;
}

// Two blocks as Debian's ffmpeg 5.1 writes them with "-progress pipe:1".
const char* const kTwoBlocks =
    "bitrate= 132.4kbits/s\n"
    "total_size=25957\n"
    "out_time_us=1568413\n"
    "out_time_ms=1568413\n"
    "out_time=00:00:01.568413\n"
    "dup_frames=0\n"
    "drop_frames=0\n"
    "speed=N/A\n"
    "progress=continue\n"
    "bitrate= 129.4kbits/s\n"
    "total_size=81128\n"
    "out_time_us=5016553\n"
    "out_time_ms=5016553\n"
    "out_time=00:00:05.016553\n"
    "dup_frames=0\n"
    "drop_frames=0\n"
    "speed=42.9x\n"
    "progress=end\n";

TEST(ProgressReader, BlocksGiveSecondsSpeedAndTheEnd) {
    const std::vector<ProgressBlock> blocks = readAll(kTwoBlocks);
    ASSERT_EQ(blocks.size(), 2U);
    ASSERT_TRUE(blocks[0].seconds.has_value());
    EXPECT_DOUBLE_EQ(*blocks[0].seconds, 1.568413);
    EXPECT_EQ(blocks[0].speed, "");
    EXPECT_FALSE(blocks[0].final);
    ASSERT_TRUE(blocks[1].seconds.has_value());
    EXPECT_DOUBLE_EQ(*blocks[1].seconds, 5.016553);
    EXPECT_EQ(blocks[1].speed, "42.9x");
    EXPECT_TRUE(blocks[1].final);
}

TEST(ProgressReader, UnknownTimeStaysUnknownAndDoesNotLeakIntoTheNextBlock) {
    const std::vector<ProgressBlock> blocks = readAll(
        "out_time_us=N/A\nout_time_ms=N/A\nout_time=N/A\nspeed=N/A\nprogress=continue\n"
        "out_time_us=2000000\nspeed= 1.5x\nprogress=continue\n"
        "speed=2x\nprogress=continue\n");
    ASSERT_EQ(blocks.size(), 3U);
    EXPECT_FALSE(blocks[0].seconds.has_value());
    ASSERT_TRUE(blocks[1].seconds.has_value());
    EXPECT_DOUBLE_EQ(*blocks[1].seconds, 2.0);
    EXPECT_EQ(blocks[1].speed, "1.5x");
    EXPECT_FALSE(blocks[2].seconds.has_value());
    EXPECT_EQ(blocks[2].speed, "2x");
}

TEST(ProgressReader, ClockTimeIsUsedWhenMicrosecondsAreMissing) {
    const std::vector<ProgressBlock> blocks =
        readAll("out_time=01:02:03.250000\nprogress=continue\n");
    ASSERT_EQ(blocks.size(), 1U);
    ASSERT_TRUE(blocks[0].seconds.has_value());
    EXPECT_DOUBLE_EQ(*blocks[0].seconds, 3723.25);
}

TEST(ProgressReader, MicrosecondsWinOverClockTime) {
    const std::vector<ProgressBlock> blocks =
        readAll("out_time_us=N/A\nout_time=00:00:09.000000\nprogress=continue\n");
    ASSERT_EQ(blocks.size(), 1U);
    EXPECT_FALSE(blocks[0].seconds.has_value());
}

TEST(ProgressReader, MicrosecondValues) {
    EXPECT_DOUBLE_EQ(parseMicroseconds("45000000").value(), 45.0);
    EXPECT_DOUBLE_EQ(parseMicroseconds(" 1 ").value(), 0.000001);
    EXPECT_DOUBLE_EQ(parseMicroseconds("-23220").value(), 0.0);
    EXPECT_FALSE(parseMicroseconds("N/A").has_value());
    EXPECT_FALSE(parseMicroseconds("").has_value());
    EXPECT_FALSE(parseMicroseconds("12x").has_value());
    EXPECT_FALSE(parseMicroseconds("99999999999999999999999").has_value());
}

TEST(ProgressReader, ClockTimeValues) {
    EXPECT_DOUBLE_EQ(parseClockTime("00:00:01.568413").value(), 1.568413);
    EXPECT_DOUBLE_EQ(parseClockTime("00:03:25.47").value(), 205.47);
    EXPECT_DOUBLE_EQ(parseClockTime("100:00:00.000000").value(), 360000.0);
    EXPECT_DOUBLE_EQ(parseClockTime("-00:00:00.023220").value(), 0.0);
    for (const char* bad : {"N/A", "", "00:00", "00:61:00.0", "00:00:60.0", "aa:00:00.0",
                            "00:00:nan", "00:00:inf", "00:00:1e300"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(parseClockTime(bad).has_value());
    }
}

TEST(ProgressReader, TimeLinesShowSecondsWithTwoDecimals) {
    ProgressBlock block;
    EXPECT_EQ(formatTimeLine(block), "time=0.00");
    block.seconds = 45.0;
    block.speed = "40.1x";
    EXPECT_EQ(formatTimeLine(block), "time=45.00 speed=40.1x");
    block.seconds = 1.568413;
    block.speed.clear();
    EXPECT_EQ(formatTimeLine(block), "time=1.57");
    block.seconds = 3723.254;
    EXPECT_EQ(formatTimeLine(block), "time=3723.25");
    block.seconds = 9223372036854.775807;  // the largest out_time_us there is
    EXPECT_EQ(formatTimeLine(block), "time=9223372036854.78");
}

TEST(ProgressReader, LinesWithoutKeysAreIgnored) {
    ProgressReader reader;
    EXPECT_FALSE(reader.feedLine("").has_value());
    EXPECT_FALSE(reader.feedLine("garbage").has_value());
    EXPECT_FALSE(reader.feedLine("out_time_us=1000000").has_value());
    const auto block = reader.feedLine("progress=continue");
    ASSERT_TRUE(block.has_value());
    EXPECT_DOUBLE_EQ(block->seconds.value(), 1.0);
}

}  // namespace
