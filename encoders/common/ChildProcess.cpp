#include "ChildProcess.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace {

// Wait status used when the child was reaped elsewhere (ECHILD) and its real one is lost:
// "exited with 255", so it never passes for success.
constexpr int kUnknownStatus = 255 << 8;

void closeFd(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Runs in the child between fork() and exec(): async-signal-safe calls only.
[[noreturn]] void execChild(const char* program, char* const* argv, int inRead, int outWrite,
                            int errWrite, int reportWrite, pid_t parent) {
    // Die with the parent. Checked again afterwards: the parent may have died before prctl().
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent) {
        ::_exit(128 + SIGTERM);
    }

    // Signal dispositions the child should not inherit: handlers are reset by exec anyway, but
    // an ignored SIGPIPE and a blocked mask would carry over into ffmpeg.
    for (int signal = 1; signal < NSIG; ++signal) {
        if (signal != SIGKILL && signal != SIGSTOP) {
            ::signal(signal, SIG_DFL);
        }
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);

    const int in = inRead >= 0 ? inRead : ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (in < 0 || ::dup2(in, STDIN_FILENO) < 0 || ::dup2(outWrite, STDOUT_FILENO) < 0 ||
        ::dup2(errWrite, STDERR_FILENO) < 0) {
        const int error = errno;
        [[maybe_unused]] const ssize_t ignored = ::write(reportWrite, &error, sizeof error);
        ::_exit(127);
    }
    ::execv(program, argv);
    const int error = errno;
    [[maybe_unused]] const ssize_t ignored = ::write(reportWrite, &error, sizeof error);
    ::_exit(127);
}

}  // namespace

ChildProcess::~ChildProcess() {
    closeStdin();
    closeStdout();
    closeStderr();
    if (running()) {
        ::kill(m_pid, SIGKILL);
        wait();
    }
}

int ChildProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                        bool pipeStdin) {
    // Everything exec needs is built before fork(): the child may only make async-signal-safe
    // calls, and allocating is not one.
    std::vector<std::string> argvStrings;
    argvStrings.reserve(arguments.size() + 1);
    argvStrings.push_back(program);
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    argv.reserve(argvStrings.size() + 1);
    for (std::string& s : argvStrings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);

    // All pipe ends are close-on-exec; the child's dup2() copies onto 1 and 2 are not.
    int in[2] = {-1, -1};
    int out[2] = {-1, -1};
    int err[2] = {-1, -1};
    int report[2] = {-1, -1};
    if ((pipeStdin && ::pipe2(in, O_CLOEXEC) != 0) || ::pipe2(out, O_CLOEXEC) != 0 ||
        ::pipe2(err, O_CLOEXEC) != 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        const int error = errno;
        for (int* fds : {in, out, err, report}) {
            closeFd(fds[0]);
            closeFd(fds[1]);
        }
        return error;
    }

    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        for (int* fds : {in, out, err, report}) {
            closeFd(fds[0]);
            closeFd(fds[1]);
        }
        return error;
    }
    if (pid == 0) {
        execChild(argv[0], argv.data(), in[0], out[1], err[1], report[1], parent);
    }

    closeFd(in[0]);
    closeFd(out[1]);
    closeFd(err[1]);
    closeFd(report[1]);
    m_pid = pid;
    m_stdin = in[1];
    m_stdout = out[0];
    m_stderr = err[0];
    m_status.reset();

    // The report pipe closes on a successful exec; otherwise it carries exec's errno.
    int childError = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &childError, sizeof childError);
    } while (got < 0 && errno == EINTR);
    closeFd(report[0]);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        wait();
        closeStdin();
        closeStdout();
        closeStderr();
        return childError != 0 ? childError : ENOEXEC;
    }
    return 0;
}

void ChildProcess::closeStdin() {
    closeFd(m_stdin);
}

void ChildProcess::closeStdout() {
    closeFd(m_stdout);
}

void ChildProcess::closeStderr() {
    closeFd(m_stderr);
}

std::optional<int> ChildProcess::tryWait() {
    if (m_pid <= 0 || m_status) {
        return m_status;
    }
    int status = 0;
    pid_t result = 0;
    do {
        result = ::waitpid(m_pid, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == m_pid) {
        m_status = status;
    } else if (result < 0) {
        m_status = kUnknownStatus;  // ECHILD: reaped elsewhere, nothing left to wait for
    }
    return m_status;
}

int ChildProcess::wait() {
    if (m_pid <= 0) {
        return 0;
    }
    while (!m_status) {
        int status = 0;
        const pid_t result = ::waitpid(m_pid, &status, 0);
        if (result == m_pid) {
            m_status = status;
        } else if (result < 0 && errno != EINTR) {
            m_status = kUnknownStatus;
        }
    }
    return *m_status;
}
