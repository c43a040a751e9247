#include "common/ChildProcess.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <string>

namespace {

struct Captured {
    std::string out;
    std::string err;
    int status = -1;
};

// Reads both pipes to their end, then reaps the child.
Captured runToEnd(ChildProcess& child) {
    Captured captured;
    while (child.stdoutFd() >= 0 || child.stderrFd() >= 0) {
        pollfd fds[2] = {{child.stdoutFd(), POLLIN, 0}, {child.stderrFd(), POLLIN, 0}};
        if (::poll(fds, 2, 10'000) <= 0) {
            break;
        }
        char buffer[4096];
        for (int i = 0; i < 2; ++i) {
            if (fds[i].revents == 0) {
                continue;
            }
            const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                (i == 0 ? captured.out : captured.err).append(buffer, static_cast<size_t>(got));
            } else {
                i == 0 ? child.closeStdout() : child.closeStderr();
            }
        }
    }
    captured.status = child.wait();
    return captured;
}

// The hex signal mask of a "SigIgn:" or "SigBlk:" line of /proc/PID/status.
unsigned long long maskFromStatus(const std::string& status, const std::string& field) {
    const std::size_t at = status.find(field + ":");
    if (at == std::string::npos) {
        return ~0ULL;
    }
    return std::stoull(status.substr(at + field.size() + 1), nullptr, 16);
}

unsigned long long bit(int signal) {
    return 1ULL << (signal - 1);
}

TEST(ChildProcess, OutputAndErrorsArriveOnSeparatePipesAndTheStatusIsKept) {
    TempFolder folder;
    const std::string script =
        folder.writeScript("talk", "echo \"out $1\"\necho \"err $2\" >&2\nexit 7\n");
    ChildProcess child;
    ASSERT_EQ(child.start(script, {"one", "two words"}), 0);
    EXPECT_GT(child.pid(), 0);
    const Captured captured = runToEnd(child);
    EXPECT_EQ(captured.out, "out one\n");
    EXPECT_EQ(captured.err, "err two words\n");
    ASSERT_TRUE(WIFEXITED(captured.status));
    EXPECT_EQ(WEXITSTATUS(captured.status), 7);
    EXPECT_FALSE(child.running());
}

TEST(ChildProcess, StandardInputIsEmptySoNothingCanWaitForTyping) {
    TempFolder folder;
    const std::string script =
        folder.writeScript("ask", "if read answer; then echo \"got:$answer\"; else echo eof; fi\n");
    ChildProcess child;
    ASSERT_EQ(child.start(script, {}), 0);
    EXPECT_EQ(runToEnd(child).out, "eof\n");
}

TEST(ChildProcess, IgnoredAndBlockedSignalsAreNotPassedOn) {
    // coder ignores SIGPIPE and holds stop signals back around fork(); ffmpeg must get neither.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGPIPE, &ignore, &previous);
    sigset_t blocked;
    sigset_t previousMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGTERM);
    ::sigprocmask(SIG_BLOCK, &blocked, &previousMask);

    ChildProcess child;
    const int error = child.start("/bin/cat", {"/proc/self/status"});
    ::sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    ::sigaction(SIGPIPE, &previous, nullptr);
    ASSERT_EQ(error, 0);

    const std::string status = runToEnd(child).out;
    ASSERT_NE(status.find("SigIgn:"), std::string::npos) << status;
    EXPECT_EQ(maskFromStatus(status, "SigIgn") & bit(SIGPIPE), 0ULL);
    EXPECT_EQ(maskFromStatus(status, "SigBlk") & bit(SIGTERM), 0ULL);
}

TEST(ChildProcess, StartFailuresReportTheirErrno) {
    TempFolder folder;
    ChildProcess missing;
    EXPECT_EQ(missing.start(folder.file("no-such-program"), {}), ENOENT);
    EXPECT_FALSE(missing.running());
    EXPECT_EQ(missing.stdoutFd(), -1);

    ChildProcess notExecutable;
    EXPECT_EQ(notExecutable.start(folder.write("plain.txt", "text"), {}), EACCES);
    EXPECT_FALSE(notExecutable.running());
}

TEST(ChildProcess, TryWaitSeesTheEndWithoutBlocking) {
    ChildProcess child;
    ASSERT_EQ(child.start("/bin/sleep", {"0.3"}), 0);
    EXPECT_FALSE(child.tryWait().has_value());
    EXPECT_TRUE(child.running());
    const int status = child.wait();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(child.tryWait(), status);
}

TEST(ChildProcess, DestroyingItEndsAChildStillRunning) {
    pid_t pid = -1;
    {
        ChildProcess child;
        ASSERT_EQ(child.start("/bin/sleep", {"30"}), 0);
        pid = child.pid();
    }
    // Reaped by the destructor, so the pid no longer names our child.
    EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

}  // namespace
