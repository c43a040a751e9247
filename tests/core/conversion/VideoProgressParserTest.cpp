#include "conversion/VideoProgressParser.h"

#include "support/QtPrinters.h"
#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

}  // namespace

TEST(VideoProgressParserTest, TheFirstFigureOfAChunkIsShown) {
    VideoProgressParser parser;
    ProgressReport display;
    QString glyph = "-";
    ASSERT_TRUE(parser.feed("Pos:   2.3s     56f ( 5%)  0.00fps", display, glyph));
    EXPECT_EQ(display.style, ProgressReport::Style::Mencoder);
    EXPECT_EQ(display.figure, u("5"));
    EXPECT_EQ(display.glyph, u("\\"));
    EXPECT_DOUBLE_EQ(display.fraction, 0.05);
    EXPECT_EQ(display.pbValue, 5.0);

    ASSERT_TRUE(parser.feed("( 7%) ...\nPos: ( 8%)", display, glyph));
    EXPECT_EQ(display.figure, u("7")) << "only the first figure counts";
    EXPECT_EQ(display.glyph, u("|"));
    ASSERT_TRUE(parser.feed("Pos:   9.9s (100%)", display, glyph));
    EXPECT_TRUE(display.complete);
    EXPECT_EQ(display.fraction, 1.0);
    EXPECT_EQ(display.pbValue, 100.0);
}

TEST(VideoProgressParserTest, TheGlyphTurnsOnEveryChunkAndOddFiguresAreReadAsTheyStart) {
    VideoProgressParser parser;
    ProgressReport display;
    QString glyph = "-";
    QStringList glyphs;
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(parser.feed("no figure here", display, glyph));
        glyphs << glyph;
    }
    EXPECT_EQ(glyphs, (QStringList{"\\", "|", "/", "-"}));
    EXPECT_EQ(display.style, ProgressReport::Style::None)
        << "a chunk without a figure changes nothing else";

    // A "(" whose ")" comes with the next chunk is not matched.
    EXPECT_FALSE(parser.feed("Pos: (42", display, glyph));
    const struct {
        const char* chunk;
        double shown;
    } odd[] = {{"aspect (4:3) here", 4}, {"(abc)", 0},   {"(250)", 100},
               {"(12.5)", 12},           {"(13.5)", 14}, {"(-5%)", 0}};
    for (const auto& c : odd) {
        ASSERT_TRUE(parser.feed(c.chunk, display, glyph)) << c.chunk;
        EXPECT_EQ(display.pbValue, c.shown) << c.chunk;
        EXPECT_LE(display.fraction, 1.0);
    }
}

TEST(VideoProgressParserTest, RecordedOutputOfTheVideoEncoderEndsAtOneHundred) {
    QFile recorded(QStringLiteral(VORDANA_TESTS_SOURCE_DIR "/data/conv-clip.txt"));
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    const QString output = QString::fromUtf8(recorded.readAll());
    VideoProgressParser parser;
    ProgressReport display;
    QString glyph = "-";
    QList<double> seen;
    int yields = 0;
    VideoProgressParser counting([&] { ++yields; });
    // Fed line by line, as the runner hands over whole lines when the encoder writes them.
    for (const QString& line : output.split('\n', Qt::SkipEmptyParts)) {
        if (parser.feed(line + '\n', display, glyph)) {
            seen << display.pbValue;
        }
        counting.feed(line + '\n', display, glyph);
    }
    ASSERT_GE(seen.size(), 2);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_TRUE(display.complete);
    EXPECT_GT(yields, 0) << "the window gets its events while a chunk is scanned";
}
