#include "platform/ProcessTable.h"

#include "support/TestPaths.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

namespace {

// Starts a copy of the helper in a process group of its own, the way the runner starts an
// encoder, and returns its pid (= its group).
pid_t startInOwnGroup(const QString& program, const QList<QByteArray>& arguments) {
    const QByteArray path = QFile::encodeName(program);
    const QByteArray name = QFile::encodeName(QFileInfo(program).fileName());
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::setpgid(0, 0);
        std::vector<char*> argv{const_cast<char*>(name.constData())};
        for (const QByteArray& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.constData()));
        }
        argv.push_back(nullptr);
        ::execv(path.constData(), argv.data());
        ::_exit(127);
    }
    ::setpgid(pid, pid);  // both sides, so the group exists whoever runs first
    return pid;
}

bool waitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 500 && !condition(); ++i) {
        ::usleep(10000);
    }
    return condition();
}

}  // namespace

TEST(ProcessTableTest, OnlyTheGroupsOwnProcessesOfThatNameCount) {
    QTemporaryDir dir;
    const QString program = TestPaths::copyHelperAs("test_chatter", dir.path(), "PtLookup42");
    const pid_t group = startInOwnGroup(program, {"sleep", "3000"});
    ASSERT_GT(group, 0);
    EXPECT_TRUE(
        waitUntil([&] { return ProcessTable::isImageRunningInGroup("ptlookup42", group); }));
    EXPECT_TRUE(ProcessTable::isImageRunningInGroup("PTLOOKUP42", group));
    EXPECT_FALSE(ProcessTable::isImageRunningInGroup("ptlookup4", group));
    EXPECT_FALSE(ProcessTable::isImageRunningInGroup("", group));
    // The same process seen from another run: not that run's.
    EXPECT_FALSE(ProcessTable::isImageRunningInGroup("ptlookup42", ::getpgrp()));

    ::kill(group, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(group, &status, 0), group);
    EXPECT_FALSE(ProcessTable::isImageRunningInGroup("ptlookup42", group));
}

TEST(ProcessTableTest, AnEndedProgramIsNotRunningThoughNotYetCollected) {
    QTemporaryDir dir;
    const QString program = TestPaths::copyHelperAs("test_chatter", dir.path(), "ptzombie77");
    const pid_t group = startInOwnGroup(program, {"sleep", "200"});
    EXPECT_TRUE(
        waitUntil([&] { return ProcessTable::isImageRunningInGroup("ptzombie77", group); }));
    EXPECT_TRUE(
        waitUntil([&] { return !ProcessTable::isImageRunningInGroup("ptzombie77", group); }));
    // It has ended but nobody collected it: it is still in the process table, as a zombie.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(group));
    ASSERT_TRUE(stat.open(QIODevice::ReadOnly));
    EXPECT_TRUE(stat.readAll().contains(") Z "));
    int status = 0;
    EXPECT_EQ(::waitpid(group, &status, 0), group);
}

TEST(ProcessTableTest, DescendantThatOutlivesItsParentStillCountsAndIsCollected) {
    ProcessTable::becomeChildSubreaper();
    QTemporaryDir dir;
    const QString program = TestPaths::copyHelperAs("test_chatter", dir.path(), "ptorphan31");
    // The program ends at once; a child of the same name sleeps on.
    const pid_t group = startInOwnGroup(program, {"detach", "0", "sleep", "400"});
    int status = 0;
    ASSERT_EQ(::waitpid(group, &status, 0), group);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_TRUE(ProcessTable::isImageRunningInGroup("ptorphan31", group))
        << "an adopted descendant must keep its run going";

    EXPECT_TRUE(
        waitUntil([&] { return !ProcessTable::isImageRunningInGroup("ptorphan31", group); }));
    // It is ours now and a zombie until collected; collecting it leaves no trace.
    EXPECT_TRUE(waitUntil([&] {
        ProcessTable::reapAdoptedMembers(group);
        return ::waitpid(-group, &status, WNOHANG) < 0 && errno == ECHILD;
    }));
}

TEST(ProcessTableTest, LongNamesAreMatchedOnTheExecutable) {
    QTemporaryDir dir;
    const QString name = "a-rather-long-image-name";  // longer than the kernel keeps
    const QString program = TestPaths::copyHelperAs("test_chatter", dir.path(), name);
    const pid_t group = startInOwnGroup(program, {"sleep", "3000"});
    EXPECT_TRUE(waitUntil([&] { return ProcessTable::isImageRunningInGroup(name, group); }));
    EXPECT_FALSE(ProcessTable::isImageRunningInGroup(name + "-other", group));
    ::kill(group, SIGKILL);
    int status = 0;
    ::waitpid(group, &status, 0);
}
