#include "filelist/FileList.h"
#include "filelist/FileQueue.h"

#include <gtest/gtest.h>

TEST(FileListTest, ParsePathKeepsTheFolderWithItsSeparator) {
    EXPECT_EQ(FileList::ParsePath("/a/b.ape"), "/a/");
    EXPECT_EQ(FileList::ParsePath("/b.ape"), "/");
    EXPECT_EQ(FileList::ParsePath("/a/"), "/a/");
    EXPECT_EQ(FileList::ParsePath("c:b.ape"), "") << "':' is an ordinary character here";
    EXPECT_EQ(FileList::ParsePath("b.ape"), "");
    EXPECT_EQ(FileList::ParsePath(""), "");
}

TEST(FileListTest, FormatTagIsTheLastThreeCharactersUpperCased) {
    EXPECT_EQ(FileList::formatTag("/m/x.ape"), "APE");
    EXPECT_EQ(FileList::formatTag("/m/song.flac"), "LAC");
    EXPECT_EQ(FileList::formatTag("/m/README"), "DME");
    EXPECT_EQ(FileList::formatTag("/m/x.wav  "), "WAV") << "blanks at the ends are trimmed first";
    EXPECT_EQ(FileList::formatTag("ab"), "AB");
}

TEST(FileListTest, QueueRemovesOnlyWhatIsThere) {
    FileQueue queue;
    int removed = 0;
    QObject::connect(&queue, &FileQueue::removed, [&] { ++removed; });
    queue.append("a");
    queue.append("a");
    queue.append("b");
    queue.removeAt(5);
    queue.removeAt(-1);
    EXPECT_EQ(removed, 0);
    queue.removeAt(1);
    EXPECT_EQ(queue.paths(), (QStringList{"a", "b"}));
    EXPECT_EQ(removed, 1);
}
