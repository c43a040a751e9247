#include "common/LineSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Collected {
    std::vector<std::string> lines;
    LineSplitter splitter;

    explicit Collected(std::size_t maxLine = 64 * 1024)
        : splitter([this](std::string_view line) { lines.emplace_back(line); }, maxLine) {}
};

TEST(LineSplitter, EveryLineEndEndsALine) {
    Collected c;
    c.splitter.feed("unix\nwindows\r\nold mac\rlast");
    EXPECT_EQ(c.lines, (std::vector<std::string>{"unix", "windows", "old mac"}));
    c.splitter.finish();
    EXPECT_EQ(c.lines, (std::vector<std::string>{"unix", "windows", "old mac", "last"}));
}

TEST(LineSplitter, ChunkBordersAnywhereGiveTheSameLines) {
    const std::string text = "out_time_us=1568413\r\nspeed=N/A\nprogress=continue\r\n\nx\ry\n";
    Collected whole;
    whole.splitter.feed(text);
    whole.splitter.finish();
    ASSERT_EQ(whole.lines, (std::vector<std::string>{"out_time_us=1568413", "speed=N/A",
                                                     "progress=continue", "", "x", "y"}));
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        SCOPED_TRACE(cut);
        Collected parts;
        parts.splitter.feed(text.substr(0, cut));
        parts.splitter.feed(text.substr(cut));
        parts.splitter.finish();
        EXPECT_EQ(parts.lines, whole.lines);
    }
    Collected bytes;
    for (char ch : text) {
        bytes.splitter.feed(std::string(1, ch));
    }
    bytes.splitter.finish();
    EXPECT_EQ(bytes.lines, whole.lines);
}

TEST(LineSplitter, FinishWithoutPendingTextAddsNothing) {
    Collected c;
    c.splitter.feed("a\n");
    c.splitter.finish();
    c.splitter.finish();
    EXPECT_EQ(c.lines, (std::vector<std::string>{"a"}));
}

TEST(LineSplitter, OverlongLinesAreHandedOverInPieces) {
    Collected c(4);
    c.splitter.feed("abcdefghij\nxy\nwxyz\n");
    c.splitter.finish();
    EXPECT_EQ(c.lines, (std::vector<std::string>{"abcd", "efgh", "ij", "xy", "wxyz"}));
}

}  // namespace
