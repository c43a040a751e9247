#include "conversion/EncoderProgressParser.h"

#include <gtest/gtest.h>

#include <ostream>

[[maybe_unused]] static void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace {

QString u(const char* text) {
    return QString::fromUtf8(text);
}

// A report in short: "0%" before any, "complete" at the end, else the glyph and the figure.
QString shown(const ProgressReport& report) {
    if (report.style == ProgressReport::Style::None) {
        return u("0%");
    }
    return report.complete ? u("complete") : report.glyph + u(" ") + report.figure;
}

QString creating(const QString& glyph, const char* percent) {
    return glyph + u(" ") + u(percent);
}

// The picture bar's width in the window's twips (5415 when full).
double twips(const ProgressReport& report) {
    return report.fraction * 5415.0;
}

const char* kBanner =
    "Input #0, ape, from 'in.ape':\n  Duration: 00:03:25.47, start: 0.000000, bitrate: 872 "
    "kb/s\n";

TEST(EncoderProgressParserTest, BannerGivesTheDurationInWholeSeconds) {
    const struct {
        const char* chunk;
        int seconds;
    } cases[] = {
        {kBanner, 205},
        {"  Duration: 01:00:00.00, start: 0.0", 3600},
        {"  Duration: 00:03:25.47", 205},  // cut by the chunk's end: read as far as it goes
        {"Duration: 00:00:02.50, ", 2},    // halves go to the even second
        {"Duration: 00:00:03.50, ", 4},
        {"Duration: 00:00:02.51, ", 3},
        {"Duration: 00:00:02.49, ", 2},
        {"Duration: 0:1:5, ", 65},
        {"Duration: N/A, start: 0.000000, bitrate: N/A", 0},
        {"Duration: 00:03, ", 0},             // a missing part
        {"Duration: 00:x3:25.47, ", 0},       // a part that does not convert
        {"Duration: 00:03:1e2, ", 0},         // no exponents in a clock reading
        {"Duration: 00:00:00.40, ", 0},       // rounds to nothing: still unknown
        {"duration: 00:03:25.47, ", 0},       // the marker is case-sensitive
        {"Duration:00:03:25.47, ", 0},        // and needs its blank
        {"Duration: 9999999:00:00.00, ", 0},  // too long to hold: stays unknown
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chunk);
        EncoderProgressParser parser;
        ProgressReport display;
        EXPECT_FALSE(parser.feed(u(c.chunk), display));
        EXPECT_EQ(parser.DurationSeconds, c.seconds);
        EXPECT_EQ(shown(display), u("0%"));
    }
}

TEST(EncoderProgressParserTest, DurationIsReadOnlyUntilKnown) {
    EncoderProgressParser parser;
    ProgressReport display;
    parser.feed(u("  Duration: N/A, start: 0.0"), display);
    EXPECT_EQ(parser.DurationSeconds, 0);
    // The next chunk tries again.
    parser.feed(u(kBanner), display);
    EXPECT_EQ(parser.DurationSeconds, 205);
    // A second banner (for example of the output) does not replace it.
    parser.feed(u("  Duration: 00:00:10.00, start: 0.0"), display);
    EXPECT_EQ(parser.DurationSeconds, 205);
}

TEST(EncoderProgressParserTest, TimeReportUpdatesTheDisplay) {
    EncoderProgressParser parser;
    parser.DurationSeconds = 205;
    ProgressReport display;
    EXPECT_TRUE(parser.feed(u("size=     256kB time=45.00 bitrate=  46.6kbits/s\r"), display));
    EXPECT_EQ(parser.SpinnerGlyph, u("\\"));
    EXPECT_EQ(shown(display), creating(u("\\"), "21.9"));
    EXPECT_DOUBLE_EQ(display.pbValue, 21.9);
    EXPECT_NEAR(twips(display), 1188.66, 0.005);  // 45 / 205 * 5415

    EXPECT_TRUE(parser.feed(u("size=    1024kB time=210.00 bitrate=  40.0kbits/s\r"), display));
    EXPECT_EQ(shown(display), u("complete"));
    EXPECT_DOUBLE_EQ(display.pbValue, 100.0);
    EXPECT_DOUBLE_EQ(twips(display), 5415.0);
}

TEST(EncoderProgressParserTest, PercentageTextIsItsFirstFourCharacters) {
    const struct {
        int duration;
        const char* time;
        const char* percent;
        double pbValue;
    } cases[] = {
        {205, "45.00", "21.9", 21.9},
        {200, "11.00", "5.5", 5.5},
        {205, "1.00", "0.48", 0.48},
        {205, "0.00", "0", 0.0},
        {3, "1", "33.3", 33.3},
        {100, "12", "12", 12.0},
        {100, "7.00", "7", 7.0},  // 0.07 * 100 is 7.000000000000001: no "7.00"
        {100, "29.00", "29", 29.0},
        {1000, "5", "0.5", 0.5},
        {100000, "1", "0.00", 0.0},    // 0.001: plain digits, never "1e-0"
        {10000000, "1", "0.00", 0.0},  // 1e-05
        {205, "204.40", "99.5", 99.5},
        {205, "203.50", "99.5", 99.5},  // 203.5 s rounds to 204, not down to 203
        {10, "2.50", "20", 20.0},       // halves to even
        {10, "3.50", "40", 40.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.time);
        EncoderProgressParser parser;
        parser.DurationSeconds = c.duration;
        ProgressReport display;
        EXPECT_TRUE(parser.feed(u("time=") + u(c.time) + u(" bitrate="), display));
        EXPECT_EQ(shown(display), creating(u("\\"), c.percent));
        EXPECT_DOUBLE_EQ(display.pbValue, c.pbValue);
    }
}

TEST(EncoderProgressParserTest, ReachingTheDurationShowsComplete) {
    for (const char* time : {"205.00", "205.49", "205.50", "9999.99", "99999999999999999999"}) {
        SCOPED_TRACE(time);
        EncoderProgressParser parser;
        parser.DurationSeconds = 205;
        ProgressReport display;
        EXPECT_TRUE(parser.feed(u("time=") + u(time) + u(" "), display));
        EXPECT_EQ(shown(display), u("complete"));
        EXPECT_DOUBLE_EQ(display.pbValue, 100.0);
        EXPECT_DOUBLE_EQ(twips(display), 5415.0);
    }
    // 204.5 rounds to the even 204, just short of complete.
    EncoderProgressParser parser;
    parser.DurationSeconds = 205;
    ProgressReport display;
    parser.feed(u("time=204.50 "), display);
    EXPECT_EQ(shown(display), creating(u("\\"), "99.5"));
}

TEST(EncoderProgressParserTest, ChunkWithBothMarkersReadsEachFromItsOwn) {
    EncoderProgressParser parser;
    ProgressReport display;
    EXPECT_TRUE(parser.feed(u("  Duration: 00:00:10.00, start: 0.000000, bitrate: 1411 kb/s\n"
                              "size=       1kB time=5.00 bitrate=   1.6kbits/s\r"),
                            display));
    EXPECT_EQ(parser.DurationSeconds, 10);
    EXPECT_EQ(shown(display), creating(u("\\"), "50"));
    EXPECT_DOUBLE_EQ(display.pbValue, 50.0);
    EXPECT_DOUBLE_EQ(twips(display), 2707.5);
}

TEST(EncoderProgressParserTest, MarkersMustLieWhollyInOneChunk) {
    EncoderProgressParser parser;
    ProgressReport display;
    parser.feed(u("  Durat"), display);
    parser.feed(u("ion: 00:03:25.47, start: 0.000000"), display);
    EXPECT_EQ(parser.DurationSeconds, 0);

    parser.DurationSeconds = 205;
    EXPECT_FALSE(parser.feed(u("size=  256kB tim"), display));
    EXPECT_FALSE(parser.feed(u("e=45.00 bitrate= 46.6kbits/s"), display));
    // A marker with nothing after it in its chunk is not looked at either.
    EXPECT_FALSE(parser.feed(u("size=  256kB time="), display));
    EXPECT_EQ(shown(display), u("0%"));
    EXPECT_DOUBLE_EQ(display.pbValue, 0.0);
}

TEST(EncoderProgressParserTest, TimeValueIsTheNumberTheTextStartsWith) {
    const struct {
        const char* chunk;
        const char* percent;
    } cases[] = {
        {"size= 1kB time=12", "12"},          // "time=123.45" cut by the chunk's end
        {"time=00:01:23.45 bitrate=", "0"},   // clock form stops at the first ':'
        {"time=45.00\rsize= 2kB", "45"},      // a record separator ends the number
        {"time=N/A bitrate=", "0"},           // no number at all
        {"time= bitrate=", "0"},              // nothing before the blank
        {"time=30.00 x time=60.00 y", "30"},  // several reports: the first counts
        {"time=7.4.9 ", "7"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.chunk);
        EncoderProgressParser parser;
        parser.DurationSeconds = 100;
        ProgressReport display;
        EXPECT_TRUE(parser.feed(u(c.chunk), display));
        EXPECT_EQ(shown(display), creating(u("\\"), c.percent));
    }
}

TEST(EncoderProgressParserTest, GlyphTurnsOnEveryChunk) {
    EncoderProgressParser parser;
    ProgressReport display;
    const char* expected[] = {"\\", "|", "/", "-", "\\"};
    for (const char* glyph : expected) {
        parser.feed(u("frame=  12 fps=0.0 q=-1.0"), display);
        EXPECT_EQ(parser.SpinnerGlyph, u(glyph));
    }
    parser.feed(QString(), display);
    EXPECT_EQ(parser.SpinnerGlyph, u("|"));

    parser.SpinnerGlyph = u("x");
    parser.feed(QString(), display);
    EXPECT_EQ(parser.SpinnerGlyph, u("-"));

    // The label takes the glyph of its own chunk.
    parser.DurationSeconds = 100;
    parser.feed(u("time=10.00 "), display);
    EXPECT_EQ(shown(display), creating(u("\\"), "10"));
    parser.feed(u("time=20.00 "), display);
    EXPECT_EQ(shown(display), creating(u("|"), "20"));
}

TEST(EncoderProgressParserTest, DisplayKeepsItsStateWithoutAUsableTimeReport) {
    ProgressReport display;
    display.style = ProgressReport::Style::Ffmpeg;
    display.fraction = 1000.0 / 5415.0;
    display.pbValue = 18.4;
    display.glyph = u("/");
    display.figure = u("18.4");

    // Duration unknown: a time report cannot be placed.
    EncoderProgressParser parser;
    EXPECT_FALSE(parser.feed(u("size= 1kB time=45.00 bitrate="), display));
    EXPECT_EQ(parser.SpinnerGlyph, u("\\"));
    // No time report at all.
    parser.DurationSeconds = 205;
    EXPECT_FALSE(parser.feed(u("frame= 1 fps=0.0 q=0.0 size= 1kB"), display));

    EXPECT_NEAR(twips(display), 1000.0, 1e-9);
    EXPECT_DOUBLE_EQ(display.pbValue, 18.4);
    EXPECT_EQ(shown(display), creating(u("/"), "18.4"));
}

TEST(EncoderProgressParserTest, YieldsAfterEveryPositionAndCharacterAndOncePerChunk) {
    int yields = 0;
    EncoderProgressParser parser([&yields] { ++yields; });
    ProgressReport display;

    // 23 characters: 13 positions leave room after "Duration: ", whose match collects 5
    // characters; 18 positions leave room after "time=", whose match collects 1; then the end.
    parser.feed(u("Duration: 0:0:9 time=1 "), display);
    EXPECT_EQ(yields, 13 + 5 + 18 + 1 + 1);
    EXPECT_EQ(parser.DurationSeconds, 9);

    // Duration known: only the time scan. 11 characters: 6 positions, 1 collected, the end.
    yields = 0;
    parser.feed(u("ab time=7 x"), display);
    EXPECT_EQ(yields, 6 + 1 + 1);

    // Duration unknown, no markers: 11 positions for "Duration: " in 21 characters, 16 for
    // "time=", the end.
    yields = 0;
    parser.DurationSeconds = 0;
    parser.feed(u("frame=  12 fps=0.0 q="), display);
    EXPECT_EQ(yields, 11 + 16 + 1);

    yields = 0;
    parser.feed(u("abc"), display);
    EXPECT_EQ(yields, 1);
}

TEST(EncoderProgressParserTest, YieldMayReplaceTheCallersChunk) {
    // The window runs inside yield and may reuse the runner's buffer; the chunk being parsed
    // must not change underneath.
    QString buffer = u("size= 1kB time=50.00 bitrate=");
    EncoderProgressParser parser([&buffer] { buffer = u("size= 1kB time=90.00 bitrate="); });
    parser.DurationSeconds = 100;
    ProgressReport display;
    EXPECT_TRUE(parser.feed(buffer, display));
    EXPECT_EQ(shown(display), creating(u("\\"), "50"));
}

}  // namespace
