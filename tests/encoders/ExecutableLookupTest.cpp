#include "common/ExecutableLookup.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <cstdlib>

namespace {

TEST(ExecutableLookup, FindsTheFirstExecutableInThePath) {
    TempFolder a;
    TempFolder b;
    const std::string inB = b.writeScript("tool", "exit 0\n");
    a.write("tool", "not executable");
    ::mkdir(a.file("dir").c_str(), 0755);
    b.writeScript("dir", "exit 0\n");

    EXPECT_EQ(findExecutable("tool", a.path() + ":" + b.path()), inB);
    const std::string inA = a.writeScript("tool", "exit 0\n");
    EXPECT_EQ(findExecutable("tool", a.path() + ":" + b.path()), inA);
    // A folder of that name is skipped.
    EXPECT_EQ(findExecutable("dir", a.path() + ":" + b.path()), b.file("dir"));
}

TEST(ExecutableLookup, MissingNamesAreNotFound) {
    TempFolder a;
    EXPECT_FALSE(findExecutable("no-such-tool", a.path()).has_value());
    EXPECT_FALSE(findExecutable("no-such-tool", "").has_value());
    EXPECT_FALSE(findExecutable("", a.path()).has_value());
}

TEST(ExecutableLookup, NamesWithASlashAreTakenAsTheyAre) {
    EXPECT_EQ(findExecutable("/nonexistent/ffmpeg", "/usr/bin"), "/nonexistent/ffmpeg");
    EXPECT_EQ(findExecutable("./ffmpeg", "/usr/bin"), "./ffmpeg");
}

TEST(ExecutableLookup, FfmpegComesFromTheEnvironmentOrThePath) {
    const char* saved = std::getenv("VORDANA_FFMPEG");
    const std::string savedValue = saved != nullptr ? saved : "";

    ::setenv("VORDANA_FFMPEG", "/some/where/ffmpeg-stand-in", 1);
    FfmpegChoice choice = chooseFfmpeg();
    EXPECT_EQ(choice.requested, "/some/where/ffmpeg-stand-in");
    EXPECT_EQ(choice.path, "/some/where/ffmpeg-stand-in");

    ::setenv("VORDANA_FFMPEG", "", 1);
    choice = chooseFfmpeg();
    EXPECT_EQ(choice.requested, "ffmpeg");
    const char* path = std::getenv("PATH");
    EXPECT_EQ(choice.path, findExecutable("ffmpeg", path != nullptr ? path : ""));

    if (saved != nullptr) {
        ::setenv("VORDANA_FFMPEG", savedValue.c_str(), 1);
    } else {
        ::unsetenv("VORDANA_FFMPEG");
    }
}

}  // namespace
