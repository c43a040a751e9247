#include "ConvertCommand.h"

#include <gtest/gtest.h>

TEST(ConvertArgumentsTest, DefaultsAreTheMp3Presets) {
    QString error;
    const auto options = parseConvertArguments({"a.ape", "folder"}, &error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->bitRate, "320");
    EXPECT_EQ(options->sampleRate, "48000");
    EXPECT_EQ(options->channelIndex, 1);
    EXPECT_TRUE(options->outputFolder.isEmpty());
    EXPECT_EQ(options->paths, (QStringList{"a.ape", "folder"}));
}

TEST(ConvertArgumentsTest, OptionsAnywhereAndDoubleDashEndsThem) {
    QString error;
    const auto options =
        parseConvertArguments({"--bitrate", "128", "x.ape", "--rate", "44100", "--channels", "1",
                               "--output", "/o", "--", "--odd name.ape"},
                              &error);
    ASSERT_TRUE(options) << error.toStdString();
    EXPECT_EQ(options->bitRate, "128");
    EXPECT_EQ(options->sampleRate, "44100");
    EXPECT_EQ(options->channelIndex, 0);
    EXPECT_EQ(options->outputFolder, "/o");
    EXPECT_EQ(options->paths, (QStringList{"x.ape", "--odd name.ape"}));
}

TEST(ConvertArgumentsTest, BadUsageIsRefusedWithAReason) {
    const QList<QStringList> bad = {
        {},                            // nothing to convert
        {"--channels", "3", "a.ape"},  // only 1 or 2
        {"--channels", "stereo", "a.ape"},
        {"a.ape", "--rate"},     // value missing
        {"--verbose", "a.ape"},  // unknown option
        {"--output", "", "a.ape"},
    };
    for (const QStringList& arguments : bad) {
        QString error;
        EXPECT_FALSE(parseConvertArguments(arguments, &error)) << arguments.join(' ').toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}
