#include "filelist/InputGathering.h"

#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>

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
    ASSERT_TRUE(TestPaths::writeFile(root + "/album/good.ape", {}));

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
