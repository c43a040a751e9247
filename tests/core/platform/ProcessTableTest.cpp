#include "platform/ProcessTable.h"

#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

TEST(ProcessTableTest, FindsLiveProcessesByImageNameIgnoringCase) {
    QTemporaryDir dir;
    const QString program = TestPaths::copyHelperAs("test_chatter", dir.path(), "PtLookup42");
    EXPECT_FALSE(ProcessTable::isImageRunning("ptlookup42"));

    QProcess process;
    process.start(program, {"sleep", "3000"});
    ASSERT_TRUE(process.waitForStarted());
    EXPECT_TRUE(ProcessTable::isImageRunning("ptlookup42"));
    EXPECT_TRUE(ProcessTable::isImageRunning("PTLOOKUP42"));
    EXPECT_FALSE(ProcessTable::isImageRunning("ptlookup4"));
    EXPECT_FALSE(ProcessTable::isImageRunning(""));
    process.kill();
    process.waitForFinished();
    EXPECT_FALSE(ProcessTable::isImageRunning("ptlookup42"));
}

TEST(ProcessTableTest, ZombieDoesNotCountAsRunning) {
    QTemporaryDir dir;
    const QString program = TestPaths::copyHelperAs("test_chatter", dir.path(), "ptzombie77");
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const QByteArray path = program.toUtf8();
        ::execl(path.constData(), "ptzombie77", "sleep", "200", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto waitFor = [](bool running) {
        for (int i = 0; i < 300 && ProcessTable::isImageRunning("ptzombie77") != running; ++i) {
            ::usleep(10000);
        }
        return ProcessTable::isImageRunning("ptzombie77") == running;
    };
    EXPECT_TRUE(waitFor(true));
    EXPECT_TRUE(waitFor(false));
    // It has ended but nobody collected it: it is still in the process table, as a zombie.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    ASSERT_TRUE(stat.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stat.readAll().contains(") Z "));
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
}

TEST(ProcessTableTest, LongNamesAreMatchedOnTheExecutable) {
    QTemporaryDir dir;
    const QString name = "a-rather-long-image-name";  // longer than the kernel keeps
    const QString program = TestPaths::copyHelperAs("test_chatter", dir.path(), name);
    QProcess process;
    process.start(program, {"sleep", "3000"});
    ASSERT_TRUE(process.waitForStarted());
    EXPECT_TRUE(ProcessTable::isImageRunning(name));
    EXPECT_FALSE(ProcessTable::isImageRunning(name + "-other"));
    process.kill();
    process.waitForFinished();
}
