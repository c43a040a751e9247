#include "filelist/InputGathering.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include "core/cue/CueTestFiles.h"

#include <sys/stat.h>

using CueTestFiles::writeFile;

TEST(InputGatheringTest, TwoSheetsForOneImageGiveOneAlbumAndNameTheSkippedSheet) {
    const struct {
        QStringList sheets;
        QString used;
    } cases[] = {
        {{"img.cue", "img.ape.cue"}, "img.ape.cue"},  // names the image exactly
        {{"a.cue", "img.cue"}, "img.cue"},            // the image's base name
        {{"b.cue", "a.cue"}, "a.cue"},                // neither: the first in the folder
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.used.toStdString());
        const QTemporaryDir dir;
        writeFile(dir.filePath("img.ape"), QByteArray());
        for (const QString& sheet : c.sheets) {
            // Each sheet titles its track with its own name, to tell which one was used.
            writeFile(dir.filePath(sheet), "FILE \"img.ape\" WAVE\nTRACK 01 AUDIO\nTITLE \"" +
                                               sheet.toUtf8() + "\"\nINDEX 01 00:00:00\n");
        }
        const Gathered gathered = gatherFolder(dir.path(), GatherOptions{});
        ASSERT_EQ(gathered.items.size(), 1);
        EXPECT_EQ(gathered.items[0].path, dir.filePath("img.ape") + " #01 " + c.used);
        const QString skipped = c.sheets[0] == c.used ? c.sheets[1] : c.sheets[0];
        EXPECT_EQ(gathered.warnings,
                  QStringList{dir.filePath(skipped) + " skipped: " + dir.filePath(c.used) +
                              " describes the same image (img.ape)"});
        EXPECT_TRUE(gathered.problems.isEmpty());
    }
}

TEST(InputGatheringTest, ABrokenSheetInTheImagesTagIsAWarningAndTheImageConvertsWhole) {
    const QTemporaryDir dir;
    const QString image = dir.filePath("Concert.ape");
    QFile audio(CueTestFiles::fixture("Live Set.ape"));
    ASSERT_TRUE(audio.open(QIODevice::ReadOnly));
    const QString broken =
        CueTestFiles::fixtureSheetText().replace("INDEX 01 00:04:00", "INDEX 01 00:04");
    writeFile(image, audio.readAll() + CueTestFiles::apeTag({{"Cuesheet", broken.toUtf8()}}));
    for (const Gathered& gathered :
         {gatherFolder(dir.path(), GatherOptions{}), gatherFile(image, GatherOptions{})}) {
        ASSERT_EQ(gathered.items.size(), 1);
        EXPECT_EQ(gathered.items[0].path, image);
        EXPECT_EQ(gathered.items[0].track, nullptr);
        EXPECT_EQ(
            gathered.warnings,
            QStringList{image + ": the CUE sheet in its tag cannot be used (line 11: INDEX needs "
                                "mm:ss:ff, not \"00:04\"); the image converts whole"});
    }
}

namespace {

const QString kFifo = QStringLiteral("not a regular file: a named pipe (FIFO)");
const QString kDevice = QStringLiteral("not a regular file: a device");

using Problems = QList<QPair<QString, QString>>;

}  // namespace

// A FIFO would block the open or the read for ever, a link to /dev/zero would read until memory
// runs out: given or found in a folder, each is a problem at once and nothing else is lost.
TEST(InputGatheringTest, FifosAndDevicesAreProblemsAndNeverRead) {
    QTemporaryDir dir;
    const QString root = dir.path();
    QDir(root).mkdir("album");
    for (const char* name : {"/pipe.ape", "/pipe.cue", "/album/x.ape"}) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(root + name).constData(), 0600), 0) << name;
    }
    for (const char* name : {"/zero.ape", "/zero.cue", "/album/x.cue"}) {
        ASSERT_TRUE(QFile::link("/dev/zero", root + name)) << name;
    }
    writeFile(root + "/album/good.ape", {});

    const struct {
        QString path;
        bool folder;
        QStringList items;
        Problems problems;
    } cases[] = {
        {root + "/pipe.ape", false, {}, {{root + "/pipe.ape", kFifo}}},
        {root + "/pipe.cue", false, {}, {{root + "/pipe.cue", kFifo}}},
        {root + "/zero.ape", false, {}, {{root + "/zero.ape", kDevice}}},
        {root + "/zero.cue", false, {}, {{root + "/zero.cue", kDevice}}},
        {root + "/album",
         true,
         {root + "/album/good.ape"},
         {{root + "/album/x.ape", kFifo}, {root + "/album/x.cue", kDevice}}},
    };
    for (const auto& c : cases) {
        QElapsedTimer clock;
        clock.start();
        const Gathered gathered =
            c.folder ? gatherFolder(c.path, GatherOptions{}) : gatherFile(c.path, GatherOptions{});
        EXPECT_LT(clock.elapsed(), 5000) << c.path.toStdString();
        QStringList items;
        for (const FileQueue::Item& item : gathered.items) {
            items << item.path;
        }
        EXPECT_EQ(items, c.items) << c.path.toStdString();
        EXPECT_EQ(gathered.problems, c.problems) << c.path.toStdString();
    }
}

TEST(InputGatheringTest, ASheetsOwnWarningsReachTheUserNamedAfterTheSheet) {
    const QTemporaryDir dir;
    writeFile(dir.filePath("img.ape"), QByteArray());
    writeFile(dir.filePath("img.cue"),
              "FILE \"img.ape\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n"
              "TRACK 03 AUDIO\nINDEX 01 01:00:00\n");
    const Gathered gathered = gatherFile(dir.filePath("img.cue"), GatherOptions{});
    EXPECT_EQ(gathered.items.size(), 2);
    EXPECT_EQ(gathered.warnings,
              QStringList{dir.filePath("img.cue") +
                          ": line 4: TRACK 03 follows TRACK 01; the sheet's numbers are kept"});
}
