#include "cue/CueTime.h"

#include <gtest/gtest.h>

#include "CueTestFiles.h"

TEST(CueTimeTest, FramesConvertExactlyToSamplesAndSeconds) {
    const std::optional<CueTime> time = CueTime::fromText(u"00:07:38");
    ASSERT_TRUE(time.has_value());
    EXPECT_EQ(time->frames(), 7 * 75 + 38);
    EXPECT_EQ(time->toSamples(44100), 331044);  // 7.50666... s, a whole number of samples
    EXPECT_EQ(time->toSamples(48000), 360320);
    EXPECT_EQ(time->toSamples(32000), 240213);  // 240213.33: rounded down
    EXPECT_DOUBLE_EQ(time->toSeconds(), 7.0 + 38.0 / 75.0);
    EXPECT_EQ(time->toText(), QStringLiteral("00:07:38"));

    // Long images: minutes beyond 99, and the largest fields.
    const std::optional<CueTime> late = CueTime::fromText(u"123:59:74");
    ASSERT_TRUE(late.has_value());
    EXPECT_EQ(late->frames(), (123 * 60 + 59) * 75 + 74);
    EXPECT_EQ(late->toText(), QStringLiteral("123:59:74"));
    EXPECT_EQ((*late - *time).frames(), late->frames() - time->frames());
    EXPECT_EQ(CueTime::fromText(u"1:2:3")->frames(), (60 + 2) * 75 + 3);
}

TEST(CueTimeTest, MalformedTimesAreRejected) {
    for (const char16_t* text :
         {u"00:04", u"00:60:00", u"00:00:75", u"1234:00:00", u"00:000:00", u"00:04:00:00",
          u"-1:00:00", u"00:0x:00", u"", u"::", u"00:04:1 "}) {
        EXPECT_FALSE(CueTime::fromText(text).has_value()) << QString::fromUtf16(text).toStdString();
    }
}
