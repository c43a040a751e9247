// Publishing a finished file under its output name, and cleaning up after a failure, on the
// real file system: whatever is at the output name that is not the program's empty reservation
// must survive untouched.

#include "TempFolder.h"
#include "common/OutputPublishing.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <string>

namespace {

bool isLink(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

TEST(OutputPublishing, TemporaryFileIsAHiddenPartFileBesideTheOutput) {
    EXPECT_EQ(temporaryPathFor("/out/a_953.mp3"), "/out/.a_953.mp3.part");
    EXPECT_EQ(temporaryPathFor("/a.mp3"), "/.a.mp3.part");
    EXPECT_EQ(temporaryPathFor("a b.mp3"), "./.a b.mp3.part");
}

TEST(OutputPublishing, TakesAFreeNameOrTheEmptyReservationAndNothingElse) {
    TempFolder folder;
    const std::string part = folder.file(".out.mp3.part");
    const std::string output = folder.file("out.mp3");

    // A free name.
    folder.write(".out.mp3.part", "new");
    EXPECT_TRUE(publishOutput(part, output).published());
    EXPECT_EQ(readFile(output), "new");
    EXPECT_FALSE(fileExists(part));

    // The reservation.
    folder.write("out.mp3", "");
    folder.write(".out.mp3.part", "newer");
    EXPECT_TRUE(publishOutput(part, output).published());
    EXPECT_EQ(readFile(output), "newer");
    EXPECT_FALSE(fileExists(part));

    // Anything else keeps the name: a file with contents, a link (even to an empty file, even
    // dangling), a folder.
    folder.write("empty-target", "");
    ASSERT_EQ(::symlink(folder.file("empty-target").c_str(), folder.file("link.mp3").c_str()), 0);
    ASSERT_EQ(::symlink(folder.file("nowhere").c_str(), folder.file("dangling.mp3").c_str()), 0);
    ASSERT_EQ(::mkdir(folder.file("folder.mp3").c_str(), 0755), 0);
    for (const std::string name : {"out.mp3", "link.mp3", "dangling.mp3", "folder.mp3"}) {
        SCOPED_TRACE(name);
        folder.write(".out.mp3.part", "intruder");
        const PublishResult result = publishOutput(part, folder.file(name));
        EXPECT_EQ(result.status, PublishResult::Status::NameTaken);
        EXPECT_EQ(result.reason, "the output name is taken: " + folder.file(name));
        EXPECT_EQ(readFile(part), "intruder") << "the caller decides about the temporary file";
    }
    EXPECT_EQ(readFile(output), "newer");
    EXPECT_TRUE(isLink(folder.file("link.mp3")));
    EXPECT_EQ(readFile(folder.file("empty-target")), "");
    EXPECT_TRUE(isLink(folder.file("dangling.mp3")));
    EXPECT_FALSE(fileExists(folder.file("nowhere")));
}

TEST(OutputPublishing, CleanupRemovesOnlyTheTemporaryFileAndTheReservation) {
    TempFolder folder;
    const std::string part = folder.file(".out.mp3.part");

    folder.write(".out.mp3.part", "partial");
    folder.write("out.mp3", "");
    discardOutputs(part, folder.file("out.mp3"));
    EXPECT_FALSE(fileExists(part));
    EXPECT_FALSE(fileExists(folder.file("out.mp3")));

    folder.write("kept.mp3", "someone's music");
    folder.write("empty-target", "");
    ASSERT_EQ(::symlink(folder.file("empty-target").c_str(), folder.file("link.mp3").c_str()), 0);
    ASSERT_EQ(::mkdir(folder.file("folder.mp3").c_str(), 0755), 0);
    for (const std::string name : {"kept.mp3", "link.mp3", "folder.mp3"}) {
        folder.write(".out.mp3.part", "partial");
        discardOutputs(part, folder.file(name));
        EXPECT_FALSE(fileExists(part)) << name;
    }
    EXPECT_EQ(readFile(folder.file("kept.mp3")), "someone's music");
    EXPECT_TRUE(isLink(folder.file("link.mp3")));
    EXPECT_TRUE(fileExists(folder.file("empty-target")));
    EXPECT_TRUE(fileExists(folder.file("folder.mp3")));
}

}  // namespace
