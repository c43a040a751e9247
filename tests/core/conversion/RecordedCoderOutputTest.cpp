// The progress parser on output recorded from the real encoder adapter (data/coder over ffmpeg).
#include "conversion/EncoderProgressParser.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

QByteArray recording(const char* name) {
    QFile file(QStringLiteral(VORDANA_TESTS_SOURCE_DIR "/data/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

QList<QByteArray> lines(const QByteArray& text) {
    QList<QByteArray> result;
    for (const QByteArray& line : text.split('\n')) {
        if (!line.isEmpty()) {
            result << line + '\n';
        }
    }
    return result;
}

}  // namespace

TEST(RecordedCoderOutputTest, LongConversionLineByLineClimbsToComplete) {
    EncoderProgressParser parser;
    ProgressReport display;
    QList<double> values;
    QStringList labels;
    for (const QByteArray& line : lines(recording("coder-long-180s.txt"))) {
        if (parser.feed(QString::fromUtf8(line), display)) {
            values << display.pbValue;
            labels << (display.complete ? QStringLiteral("complete")
                                        : display.glyph + QLatin1Char(' ') + display.figure);
        }
    }
    EXPECT_EQ(parser.DurationSeconds, 180);
    ASSERT_GE(values.size(), 5) << "a report at least every half second of a 3 s conversion";
    // First report: time=6.58 -> 7 s of 180 -> 3.888...%, shown as "3.88"; the glyph has turned
    // twice (banner chunk, then this one).
    EXPECT_EQ(labels.first(), QStringLiteral("| 3.88"));
    EXPECT_DOUBLE_EQ(values.first(), 3.88);
    EXPECT_TRUE(std::is_sorted(values.begin(), values.end()));
    EXPECT_EQ(labels.last(), QStringLiteral("complete"));
    EXPECT_EQ(display.fraction, 1.0);
}

TEST(RecordedCoderOutputTest, WholeRecordingInOneChunkReadsTheFirstReport) {
    // When the runner collects several reports in one pass, the first one is shown; the next
    // chunk brings the display up to date.
    EncoderProgressParser parser;
    ProgressReport display;
    EXPECT_TRUE(parser.feed(QString::fromUtf8(recording("coder-long-180s.txt")), display));
    EXPECT_EQ(parser.DurationSeconds, 180);
    EXPECT_EQ(display.figure, QStringLiteral("3.88"));
    EXPECT_EQ(display.glyph, QStringLiteral("\\"));
    EXPECT_TRUE(parser.feed(QStringLiteral("time=180.01 speed=49.7x\n"), display));
    EXPECT_TRUE(display.complete);
}

TEST(RecordedCoderOutputTest, TruncatedInputStopsShortOfComplete) {
    EncoderProgressParser parser;
    ProgressReport display;
    for (const QByteArray& line : lines(recording("coder-truncated.txt"))) {
        parser.feed(QString::fromUtf8(line), display);
    }
    // The header announces 3 s; decoding failed after about 1.5 s (time=1.51 -> 2 s of 3).
    EXPECT_EQ(parser.DurationSeconds, 3);
    EXPECT_DOUBLE_EQ(display.pbValue, 66.6);
    EXPECT_EQ(display.figure, QStringLiteral("66.6"));
    EXPECT_FALSE(display.complete);
}
