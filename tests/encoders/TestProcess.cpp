#include "TestProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <stdexcept>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> mergedEnvironment(
    const std::vector<std::pair<std::string, std::string>>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto& [name, value] : changes) {
            if (text.compare(0, name.size() + 1, name + "=") == 0) {
                replaced = true;
            }
        }
        if (!replaced) {
            result.push_back(text);
        }
    }
    for (const auto& [name, value] : changes) {
        result.push_back(name + "=" + value);
    }
    return result;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> result;
    for (std::string& s : strings) {
        result.push_back(s.data());
    }
    result.push_back(nullptr);
    return result;
}

}  // namespace

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> ProcessResult::outLines() const {
    return splitLines(out);
}

TestProcess::TestProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
    int out[2];
    int err[2];
    int in[2] = {-1, -1};
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0 ||
        (options.stdinPipe && ::pipe2(in, O_CLOEXEC) != 0)) {
        throw std::runtime_error("pipe2 failed");
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.stdinPipe) {
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);

    std::vector<std::string> argvStrings = {program};
    argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv = pointers(argvStrings);
    std::vector<std::string> envStrings = mergedEnvironment(options.environment);
    std::vector<char*> envp = pointers(envStrings);

    m_started = Clock::now();
    const int result =
        ::posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    ::close(err[1]);
    if (options.stdinPipe) {
        ::close(in[0]);
        m_stdinWrite = in[1];  // held open and never written: a read would wait for ever
    }
    m_outFd = out[0];
    m_errFd = err[0];
    if (result != 0) {
        m_pid = -1;
        throw std::runtime_error("posix_spawn " + program + ": " + std::strerror(result));
    }
}

TestProcess::~TestProcess() {
    if (m_pid > 0 && !m_status) {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    for (int fd : {m_outFd, m_errFd, m_stdinWrite}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void TestProcess::readAvailable(int timeoutMs) {
    pollfd fds[2] = {{m_outFd, POLLIN, 0}, {m_errFd, POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) <= 0) {
        return;
    }
    char buffer[8192];
    for (int i = 0; i < 2; ++i) {
        if (fds[i].revents == 0) {
            continue;
        }
        const ssize_t got = ::read(fds[i].fd, buffer, sizeof buffer);
        if (got > 0) {
            (i == 0 ? m_out : m_err).append(buffer, static_cast<std::size_t>(got));
        } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
            ::close(fds[i].fd);
            (i == 0 ? m_outFd : m_errFd) = -1;
        }
    }
}

bool TestProcess::ended() {
    if (m_status) {
        return true;
    }
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
        m_status = status;
    }
    return m_status.has_value();
}

void TestProcess::pump(std::chrono::milliseconds duration) {
    const auto until = Clock::now() + duration;
    while (Clock::now() < until && !ended()) {
        readAvailable(20);
    }
}

ProcessResult TestProcess::finish(std::chrono::milliseconds timeout) {
    ProcessResult result;
    const auto until = m_started + timeout;
    while (!ended()) {
        if (Clock::now() >= until) {
            result.timedOut = true;
            ::kill(m_pid, SIGKILL);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_status = status;
            break;
        }
        readAvailable(20);
    }
    result.elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - m_started);
    // The process has ended; read what is left in the pipes, without waiting for a grandchild
    // that might still hold them open.
    for (int fd : {m_outFd, m_errFd}) {
        if (fd >= 0) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        }
    }
    for (int i = 0; i < 1000 && (m_outFd >= 0 || m_errFd >= 0); ++i) {
        const std::size_t before = m_out.size() + m_err.size();
        readAvailable(0);
        if (m_out.size() + m_err.size() == before) {
            break;
        }
    }
    const int status = *m_status;
    result.exited = WIFEXITED(status);
    result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
    result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    result.out = m_out;
    result.err = m_err;
    return result;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options, std::chrono::milliseconds timeout) {
    TestProcess process(program, arguments, options);
    return process.finish(timeout);
}
