#pragma once

#include <sys/types.h>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// How a finished process ended and what it printed.
struct ProcessResult {
    bool exited = false;  // ended through exit()
    int exitCode = -1;    // when exited
    int signal = 0;       // when ended by a signal
    bool timedOut = false;
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed{0};

    std::vector<std::string> outLines() const;
};

struct ProcessOptions {
    // Added to (or replacing in) the test's own environment.
    std::vector<std::pair<std::string, std::string>> environment;
    // stdin a pipe that stays open and that nobody writes to, instead of /dev/null.
    bool stdinPipe = false;
};

// A program the tests run and watch: stdout and stderr are captured separately.
class TestProcess {
public:
    TestProcess(const std::string& program, const std::vector<std::string>& arguments,
                const ProcessOptions& options = {});
    ~TestProcess();  // kills and reaps a process still running
    TestProcess(const TestProcess&) = delete;
    TestProcess& operator=(const TestProcess&) = delete;

    pid_t pid() const { return m_pid; }

    // Collects output until the process ends, or kills it when `timeout` passes first.
    ProcessResult finish(std::chrono::milliseconds timeout);

    // Collects output for up to `duration`; returns early once the process has ended.
    void pump(std::chrono::milliseconds duration);

    // Non-blocking: true once the process has ended (it is then reaped).
    bool ended();

    const std::string& outSoFar() const { return m_out; }

private:
    void readAvailable(int timeoutMs);

    pid_t m_pid = -1;
    int m_outFd = -1;
    int m_errFd = -1;
    int m_stdinWrite = -1;
    std::optional<int> m_status;
    std::string m_out;
    std::string m_err;
    std::chrono::steady_clock::time_point m_started;
};

// Runs a program to its end (killed after `timeout`).
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options = {},
                         std::chrono::milliseconds timeout = std::chrono::seconds(120));

// Splits text into lines at "\n" (a trailing unterminated line counts too).
std::vector<std::string> splitLines(const std::string& text);
