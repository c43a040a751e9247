#include "platform/UserFile.h"

#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

// Anything but a regular file is refused with its kind, before a byte is read and without
// waiting (a FIFO without a writer would block a plain open).
TEST(UserFileTest, OnlyRegularFilesOpenAndOthersSayWhatTheyAre) {
    QTemporaryDir dir;
    const QString fifo = dir.filePath("x.cue");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString zero = dir.filePath("zero.cue");
    ASSERT_TRUE(QFile::link("/dev/zero", zero));

    const struct {
        QString path;
        QString reason;
    } refused[] = {
        {fifo, "not a regular file: a named pipe (FIFO)"},
        {zero, "not a regular file: a device"},
        {dir.path(), "not a regular file: a folder"},
        {dir.filePath("missing"), "No such file or directory"},
    };
    for (const auto& r : refused) {
        UserFile file(r.path);
        EXPECT_FALSE(file.isOpen()) << r.path.toStdString();
        EXPECT_EQ(file.error(), r.reason);
        EXPECT_EQ(UserFile::problem(r.path), r.reason);
        EXPECT_FALSE(file.readAll(10).has_value());
    }
    EXPECT_FALSE(UserFile::notRegular(dir.filePath("missing")).has_value()) << "not there";
}

TEST(UserFileTest, ReadsStopAtTheLimitAndSayWhenThereWasMore) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.cue");
    ASSERT_TRUE(TestPaths::writeFile(path, "0123456789"));

    UserFile file(path);
    ASSERT_TRUE(file.isOpen()) << file.error().toStdString();
    EXPECT_EQ(file.size(), 10);
    const struct {
        qint64 limit;
        QByteArray bytes;
        bool truncated;
    } reads[] = {{100, "0123456789", false},
                 {10, "0123456789", false},
                 {9, "012345678", true},
                 {0, "", true}};
    for (const auto& r : reads) {
        bool truncated = !r.truncated;
        EXPECT_EQ(file.readAll(r.limit, &truncated), r.bytes) << r.limit;
        EXPECT_EQ(truncated, r.truncated) << r.limit;
    }
    EXPECT_EQ(file.readAt(7, 3), QByteArray("789"));
    EXPECT_FALSE(file.readAt(8, 3).has_value()) << "the file ends first";
    EXPECT_FALSE(UserFile::problem(path).has_value());
}
