#include "filelist/FolderScan.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <cstdio>

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

TEST(FolderScanTest, EverySubfolderIsSearchedHoweverMany) {
    QTemporaryDir dir;
    const QString root = dir.path();
    for (int i = 0; i < 250; ++i) {
        const QString sub = QStringLiteral("%1/s%2").arg(root).arg(i);
        QDir().mkpath(sub);
        touch(sub + "/t.ape");
    }
    QStringList found;
    int yields = 0;
    SearchFolder(root, found, [&] { ++yields; });
    ASSERT_EQ(found.size(), 250);
    EXPECT_EQ(found.first(), root + "/s0/t.ape");
    EXPECT_EQ(found.at(2), root + "/s2/t.ape") << "natural order: s2 before s10";
    EXPECT_EQ(found.last(), root + "/s249/t.ape");
    EXPECT_EQ(yields, 2 * (250 + 250));  // twice per entry of every folder searched
}

TEST(FolderScanTest, NamesInNaturalOrderAndExactlyAsTheFileSystemHasThem) {
    QTemporaryDir dir;
    const QString root = dir.path();
    for (const char* name :
         {"t10.ape", "t2.ape", "t1.ape", "a2.ape", "A1.ape", "dup.ape", "dup.ape "}) {
        touch(root + "/" + name);
    }
    QStringList found;
    SearchFolder(root, found);
    // "dup.ape " ends in a blank: it is another file, and not a Monkey's Audio name.
    const QStringList expected = {root + "/A1.ape", root + "/a2.ape", root + "/dup.ape",
                                  root + "/t1.ape", root + "/t2.ape", root + "/t10.ape"};
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(naturalLess("disc 9", "disc 10"));
    EXPECT_TRUE(naturalLess("x007", "x8"));
    EXPECT_FALSE(naturalLess("b", "A"));
}

TEST(FolderScanTest, NamesThatAreNotUtf8AreFoundAndReadableThroughAnAlias) {
    QTemporaryDir dir;
    const QByteArray root = QFile::encodeName(dir.path());
    // "月亮.ape" and a folder "专辑" as an older Chinese system writes them: GBK bytes.
    const QByteArray folder = root + "/\xd7\xa8\xbc\xad";
    const QByteArray file = folder + "/\xd4\xc2\xc1\xc1.ape";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    {
        QFile out;
        ASSERT_TRUE(out.open(::fopen(file.constData(), "w"), QIODevice::WriteOnly,
                             QFileDevice::AutoCloseHandle));
        out.write("the real file");
    }
    QStringList found;
    SearchFolder(dir.path(), found);
    ASSERT_EQ(found.size(), 1);
    EXPECT_TRUE(found[0].endsWith(QString::fromUtf8("/月亮.ape"))) << found[0].toStdString();
    QFile alias(found[0]);
    ASSERT_TRUE(alias.open(QIODevice::ReadOnly)) << "the alias must lead to the file";
    EXPECT_EQ(alias.readAll(), "the real file");
}
