#include "platform/OpenFileLimit.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

TEST(OpenFileLimitTest, EncodersFitWhatTheLimitLeavesAndAlwaysOneRuns) {
    const struct {
        int wanted;
        long limit;
        int open;
        int expected;
    } cases[] = {
        {30, 40, 8, 8},   // (40 - 8 - 8) / 3
        {30, 40, 10, 7},  // a share that is not whole does not count
        {4, 1024, 8, 4},  // room for more than asked
        {30, -1, 8, 30},  // no limit
        {30, 12, 8, 1},   // no room at all: still one, or nothing would ever convert
        {0, 1024, 8, 1},  // at least one asked
    };
    for (const auto& c : cases) {
        EXPECT_EQ(OpenFileLimit::encodersWithin(c.wanted, c.limit, c.open), c.expected)
            << c.wanted << " within " << c.limit << " with " << c.open << " open";
    }
}

TEST(OpenFileLimitTest, OpenDescriptorsAreCounted) {
    const int before = OpenFileLimit::openNow();
    EXPECT_GE(before, 3);  // at least the standard three
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_CLOEXEC), 0);
    EXPECT_EQ(OpenFileLimit::openNow(), before + 2);
    ::close(fds[0]);
    ::close(fds[1]);
    EXPECT_EQ(OpenFileLimit::openNow(), before);
}
