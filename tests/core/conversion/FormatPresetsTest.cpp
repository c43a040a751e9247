#include "conversion/FormatPresets.h"

#include <gtest/gtest.h>

namespace {

// One row as "video bit rate|frame rate|size|sample rate|bit rate|channel", "-" for untouched.
std::string row(int format) {
    const std::optional<FormatPreset> p = presetFor(format);
    if (!p) {
        return "none";
    }
    const auto text = [](const std::optional<QString>& t) {
        return t.value_or(QStringLiteral("-"));
    };
    return QStringList({text(p->videoBitRate), text(p->frameRate), text(p->frameSize),
                        p->sampleRate, p->bitRate, QString::number(p->channelIndex)})
        .join(QLatin1Char('|'))
        .toStdString();
}

TEST(FormatPresetsTest, EachFormatWritesItsRow) {
    const std::pair<int, const char*> cases[] = {
        {-1, "none"},
        {0, "1200|29|原始大小|44100|320|1"},
        {1, "1200|29|原始大小|44100|320|1"},
        {3, "600|24|原始大小|28000|64|1"},
        {4, "1200|29|原始大小|48000|320|1"},
        {5, "256|29|原始大小|48000|64|1"},
        {6, "128|29|320x240|8000|12.2|0"},
        {7, "128|29|320x240|8000|12.2|0"},
        {8, "-|-|-|48000|320|1"},
        {9, "none"},
    };
    for (const auto& [format, expected] : cases) {
        EXPECT_EQ(row(format), expected) << "format " << format;
    }
    EXPECT_EQ(row(2), row(3));
}

TEST(FormatPresetsTest, ListsHaveTheirLengthsAndOddItems) {
    const std::pair<const QStringList*, qsizetype> lengths[] = {
        {&formatItems(), 9},    {&bitRateItems(), 14},   {&sampleRateItems(), 8},
        {&channelItems(), 2},   {&frameSizeItems(), 13}, {&videoBitRateItems(), 14},
        {&frameRateItems(), 3},
    };
    for (const auto& [list, length] : lengths) {
        EXPECT_EQ(list->size(), length) << list->join(QLatin1Char(',')).toStdString();
    }
    EXPECT_EQ(formatItems()[3].toStdString(), "AVI(Windows Media Player格式)");
    EXPECT_EQ(formatItems()[8].toStdString(), "MP3(纯音频格式)");
    EXPECT_EQ(channelItems().join(QLatin1Char(',')).toStdString(), "单声道,双声道");
    EXPECT_EQ(sampleRateItems().join(QLatin1Char(',')).toStdString(),
              "48000,44100,32000,24000,22050,16000,12050,8000");
    EXPECT_EQ(bitRateItems()[7].toStdString(), "96");  // the start-up default
    EXPECT_EQ(frameSizeItems()[0].toStdString(), "原始大小");
    EXPECT_EQ(frameRateItems().join(QLatin1Char(',')).toStdString(), "15,23,29");
}

}  // namespace
