#include "FormatLabels.h"

#include "conversion/OutputFormat.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

TEST(FormatLabelsTest, TheWindowsWordsForFormatsChannelsAndSizes) {
    EXPECT_EQ(formatItems().size(), outputFormats().size());
    EXPECT_EQ(formatItems()[3], QString::fromUtf8("AVI(Windows Media Player格式)"));
    EXPECT_EQ(formatItems()[8], QString::fromUtf8("MP3(纯音频格式)"));
    EXPECT_EQ(channelItems().join(QLatin1Char(',')), QString::fromUtf8("单声道,双声道"));
    EXPECT_EQ(frameSizeItems().size(), 13);
    // The size box's first entry is the source's own size, both ways.
    EXPECT_EQ(frameSizeItems()[0], QString::fromUtf8("原始大小"));
    EXPECT_TRUE(videoSizeFromText(frameSizeItems()[0]).isSource());
    EXPECT_EQ(textOfVideoSize(VideoSize::source()), frameSizeItems()[0]);
    EXPECT_EQ(textOfVideoSize(videoSizeFromText("720x306")), "720x306");
    EXPECT_EQ(videoSizeFromText("720 x 306").kind, VideoSize::Kind::Invalid);
}
