#include "options/SettingsFile.h"

#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <functional>

namespace {

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

}  // namespace

// Whatever stands at the settings file's name is replaced, never followed or opened: a link's
// target stays as it was, a FIFO cannot hold the save, and a failed save leaves nothing behind.
TEST(SettingsFileTest, SavingReplacesWhatIsThereWithoutFollowingOrOpeningIt) {
    QTemporaryDir elsewhere;
    const QString target = elsewhere.filePath("victim.txt");
    ASSERT_TRUE(TestPaths::writeFile(target, "keep me"));

    const struct {
        const char* name;
        const char* file;
        std::function<bool(const QString&)> plant;
        bool saved;
    } cases[] = {
        {"link to a file", "setup.ini", [&](const QString& p) { return QFile::link(target, p); },
         true},
        {"dangling link", "setup.ini",
         [&](const QString& p) { return QFile::link(elsewhere.filePath("none"), p); }, true},
        {"FIFO", "options.ini",
         [](const QString& p) { return ::mkfifo(QFile::encodeName(p).constData(), 0600) == 0; },
         true},
        {"folder", "setup.ini", [](const QString& p) { return QDir().mkdir(p); }, false},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString path = dir.filePath(c.file);
        ASSERT_TRUE(c.plant(path)) << c.name;
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(writeSettingsFile(path, "1\r\n0\r\n"), c.saved) << c.name;
        EXPECT_LT(clock.elapsed(), 5000) << c.name;
        EXPECT_EQ(
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{c.file})
            << c.name << ": no temporary file is left";
        if (c.saved) {
            const QFileInfo saved(path);
            EXPECT_TRUE(saved.isFile() && !saved.isSymLink()) << c.name;
            EXPECT_EQ(contents(path), "1\r\n0\r\n") << c.name;
            EXPECT_EQ(readSettingsFile(path), QByteArray("1\r\n0\r\n")) << c.name;
        }
    }
    EXPECT_EQ(contents(target), "keep me");
    EXPECT_FALSE(QFile::exists(elsewhere.filePath("none")));
}
