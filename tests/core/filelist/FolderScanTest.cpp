#include "filelist/FolderScan.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void touch(const QString& path) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

}  // namespace

TEST(FolderScanTest, OwnFilesFirstThenSubfoldersAndOnlyApeNames) {
    QTemporaryDir dir;
    const QString root = dir.path();
    QDir(root).mkpath("sub/deeper");
    QDir(root).mkpath("old.ape");
    QDir(root).mkpath("zeta");
    for (const char* name : {"b.APE", "a.ape", "c.mp3", "x.apex", "x.ape.bak", ".ape", "sub/d.Ape",
                             "sub/deeper/e.ape", "old.ape/f.ape", "zeta/g.ape"}) {
        touch(root + "/" + name);
    }
    QStringList found;
    SearchFolder(root, found);
    const QStringList expected = {root + "/.ape",      root + "/a.ape",
                                  root + "/b.APE",     root + "/old.ape/f.ape",
                                  root + "/sub/d.Ape", root + "/sub/deeper/e.ape",
                                  root + "/zeta/g.ape"};
    EXPECT_EQ(found, expected);

    // A second scan appends again: the list is not deduplicated.
    SearchFolder(root + "/zeta", found);
    EXPECT_EQ(found.count(root + "/zeta/g.ape"), 1 + 1);
}

TEST(FolderScanTest, LinkLoopsAreNotFollowedAndUnreadableFoldersAreSkipped) {
    QTemporaryDir dir;
    const QString root = dir.path();
    QDir(root).mkpath("music/locked");
    touch(root + "/music/a.ape");
    touch(root + "/music/locked/hidden.ape");
    ASSERT_TRUE(QFile::link(root + "/music", root + "/music/loop"));
    ASSERT_TRUE(QFile::link(root + "/music/a.ape", root + "/music/link-to-file.ape"));
    ASSERT_TRUE(QFile::link(root + "/nowhere.ape", root + "/music/dangling.ape"));
    QFile::setPermissions(root + "/music/locked", QFileDevice::Permissions());

    QStringList found;
    SearchFolder(root + "/music", found);
    QFile::setPermissions(root + "/music/locked",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QStringList expected = {root + "/music/a.ape", root + "/music/link-to-file.ape"};
    if (::geteuid() == 0) {
        expected << root + "/music/locked/hidden.ape";  // permissions do not stop root
    }
    EXPECT_EQ(found, expected);
}

TEST(FolderScanTest, AtMostTwoHundredSubfoldersOfOneFolderAreSearched) {
    QTemporaryDir dir;
    const QString root = dir.path();
    for (int i = 0; i < 250; ++i) {
        const QString sub = QStringLiteral("%1/s%2").arg(root).arg(i, 3, 10, QLatin1Char('0'));
        QDir().mkpath(sub);
        touch(sub + "/t.ape");
    }
    QStringList found;
    int yields = 0;
    SearchFolder(root, found, [&] { ++yields; });
    ASSERT_EQ(found.size(), 200);
    EXPECT_EQ(found.first(), root + "/s000/t.ape");
    EXPECT_EQ(found.last(), root + "/s199/t.ape");
    EXPECT_EQ(yields, 2 * (250 + 200));  // twice per entry of every folder searched
}

TEST(FolderScanTest, TrimNameDropsTrailingNulsAndBlanksOnly) {
    EXPECT_EQ(TrimName(QString("a b.ape  ") + QChar(0) + QChar(0)), "a b.ape");
    EXPECT_EQ(TrimName("  lead"), "  lead");
    EXPECT_EQ(TrimName(QString(" ") + QChar(0)), "");
    EXPECT_EQ(TrimName(""), "");
}
