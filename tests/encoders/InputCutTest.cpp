#include "common/InputCut.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using Args = std::vector<std::string>;

// The program's MP3 command with `before` in front of "-i" and `after` among the output options.
Args command(const Args& before, const Args& after = {}) {
    Args all = before;
    all.insert(all.end(), {"-i", "/in/long.ape", "-y", "-vn", "-ar", "44100"});
    all.insert(all.end(), after.begin(), after.end());
    all.push_back("/out/long_953.mp3");
    return all;
}

TEST(InputCut, ExpectedLengthFollowsTheCutAndEndsWithTheInput) {
    struct Case {
        Args before;
        Args after;
        std::optional<double> expected;  // for a 180-second input
    };
    const std::vector<Case> cases = {
        {{}, {}, 180.0},
        {{"-ss", "30", "-t", "20"}, {}, 20.0},
        {{"-ss", "170", "-t", "60"}, {}, 10.0},  // only 10 s are left after the start
        {{"-ss", "00:02:50.5", "-to", "179"}, {}, 8.5},
        {{"-to", "12.25"}, {}, 12.25},
        {{"-ss", "100", "-to", "250"}, {}, 80.0},
        {{"-t", "5", "-to", "100"}, {}, 5.0},     // ffmpeg takes -t over -to
        {{"-ss", "10", "-ss", "20"}, {}, 160.0},  // the last one counts
        {{"-ss", "200"}, {}, 0.0},
        {{"-ss", "1:00"}, {}, 120.0},
        // Unknowable: a value ffmpeg would read but coder cannot, or output options that end
        // the output early.
        {{"-ss", "later"}, {}, std::nullopt},
        {{"-sseof", "-30"}, {}, std::nullopt},
        {{}, {"-t", "20"}, std::nullopt},
        {{}, {"-frames:a", "100"}, std::nullopt},
    };
    for (const Case& c : cases) {
        const Args args = command(c.before, c.after);
        std::string text;
        for (const std::string& a : args) {
            text += a + " ";
        }
        SCOPED_TRACE(text);
        const std::optional<double> expected = expectedSeconds(180.0, readInputCut(args));
        ASSERT_EQ(expected.has_value(), c.expected.has_value());
        if (expected) {
            EXPECT_NEAR(*expected, *c.expected, 1e-9);
        }
    }

    // Options after the first "-i" belong to the next input or to the output.
    const InputCut second = readInputCut(
        {"-i", "/in/a.ape", "-ss", "30", "-i", "/in/b.ape", "-map", "0:a", "/out/a.mp3"});
    EXPECT_FALSE(second.any());
    EXPECT_EQ(expectedSeconds(180.0, second), 180.0);
}

TEST(InputCut, TimeValuesAreReadInFfmpegsForms) {
    const std::vector<std::pair<std::string, double>> good = {
        {"90", 90.0},           {"1.5", 1.5},          {"01:30", 90.0},
        {"00:01:30.25", 90.25}, {"1:02:03.5", 3723.5}, {"125:00:00", 450000.0},
        {"1500ms", 1.5},        {"2s", 2.0},           {"250000us", 0.25},
    };
    for (const auto& [text, seconds] : good) {
        SCOPED_TRACE(text);
        const std::optional<double> value = parseTimeValue(text);
        ASSERT_TRUE(value.has_value());
        EXPECT_NEAR(*value, seconds, 1e-9);
    }
    for (const std::string text : {"", "abc", "-5", "1:60", "1:60:00", "00:00:60", "1:2:3:4", "1e3",
                                   "12 s", ":30", "0x10"}) {
        SCOPED_TRACE("'" + text + "'");
        EXPECT_FALSE(parseTimeValue(text).has_value());
    }
}

TEST(InputCut, ShortfallAllowsHalfASecondOrOnePercent) {
    // 1 % of 180 s is 1.8 s.
    EXPECT_FALSE(lengthShortfall(180.0, 178.3).has_value());
    EXPECT_EQ(lengthShortfall(180.0, 178.1), "input ends early: 178.10 s of 180.00 s");
    EXPECT_EQ(lengthShortfall(180.0, 86.936531), "input ends early: 86.94 s of 180.00 s");
    // Short files get half a second.
    EXPECT_FALSE(lengthShortfall(10.0, 9.55).has_value());
    EXPECT_EQ(lengthShortfall(10.0, 9.45), "input ends early: 9.45 s of 10.00 s");
    EXPECT_EQ(lengthShortfall(3.0, 0.0), "input ends early: 0.00 s of 3.00 s");
    // Longer than expected is fine (encoder padding).
    EXPECT_FALSE(lengthShortfall(5.0, 5.02).has_value());
    // A cut that holds nothing converts nothing.
    ASSERT_TRUE(lengthShortfall(0.0, 0.0).has_value());
    EXPECT_EQ(lengthShortfall(0.0, 0.0)->rfind("nothing to convert", 0), 0U);
}

TEST(InputCut, BannerTimeIsRoundedToHundredths) {
    EXPECT_EQ(formatBannerTime(20.0), "00:00:20.00");
    EXPECT_EQ(formatBannerTime(8.499999), "00:00:08.50");
    EXPECT_EQ(formatBannerTime(59.996), "00:01:00.00");
    EXPECT_EQ(formatBannerTime(3725.5), "01:02:05.50");
    EXPECT_EQ(formatBannerTime(360000.0), "100:00:00.00");
}

}  // namespace
