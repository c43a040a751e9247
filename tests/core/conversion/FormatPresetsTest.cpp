#include "conversion/FormatPresets.h"
#include "conversion/OutputFormat.h"

#include <gtest/gtest.h>

namespace {

// One row as "video bit rate|frame rate|size|sample rate|bit rate|channel|level|quality|vbr",
// "-" for untouched.
std::string row(int format) {
    const OutputFormat* f = outputFormat(format);
    if (!f) {
        return "none";
    }
    const FormatPreset& p = f->preset;
    const auto text = [](const std::optional<QString>& t) {
        return t.value_or(QStringLiteral("-"));
    };
    const QString size = !p.frameSize              ? QStringLiteral("-")
                         : p.frameSize->isSource() ? QStringLiteral("source")
                                                   : p.frameSize->text();
    return QStringList({text(p.videoBitRate), text(p.frameRate), size, text(p.sampleRate),
                        text(p.bitRate), QString::number(p.channelIndex), text(p.level),
                        text(p.quality), text(p.vbr)})
        .join(QLatin1Char('|'))
        .toStdString();
}

TEST(FormatPresetsTest, EachFormatWritesItsRow) {
    const std::pair<int, const char*> cases[] = {
        {-1, "none"},
        {0, "1200|29|source|44100|320|1|-|-|-"},
        {1, "1200|29|source|44100|320|1|-|-|-"},
        {3, "600|24|source|28000|64|1|-|-|-"},
        {4, "1200|29|source|48000|320|1|-|-|-"},
        {5, "256|29|source|48000|64|1|-|-|-"},
        {6, "128|29|320x240|8000|12.2|0|-|-|-"},
        {7, "128|29|320x240|8000|12.2|0|-|-|-"},
        {8, "-|-|-|48000|320|1|-|-|"},  // a constant bit rate
        // The audio formats after them keep the source's rate and channels.
        {9, "-|-|-|source|-|2|5|-|-"},
        {10, "-|-|-|48000|160|2|-|-|-"},
        {11, "-|-|-|source|256|2|-|-|-"},
        {12, "-|-|-|source|-|2|-|6|-"},
        {13, "none"},
    };
    for (const auto& [format, expected] : cases) {
        EXPECT_EQ(row(format), expected) << "format " << format;
    }
    EXPECT_EQ(row(2), row(3));
}

TEST(FormatPresetsTest, ListsHaveTheirLengthsAndOddItems) {
    const std::pair<const QStringList*, qsizetype> lengths[] = {
        {&bitRateItems(), 14},
        {&sampleRateItems(), 8},
        {&videoBitRateItems(), 14},
        {&frameRateItems(), 3},
    };
    for (const auto& [list, length] : lengths) {
        EXPECT_EQ(list->size(), length) << list->join(QLatin1Char(',')).toStdString();
    }
    EXPECT_EQ(sampleRateItems().join(QLatin1Char(',')).toStdString(),
              "48000,44100,32000,24000,22050,16000,12050,8000");
    EXPECT_EQ(bitRateItems()[7].toStdString(), "96");  // the start-up default
    EXPECT_EQ(frameRateItems().join(QLatin1Char(',')).toStdString(), "15,23,29");
}

}  // namespace
