#pragma once

#include <sys/types.h>
#include <optional>
#include <string>
#include <vector>

// A program run with fork+exec: stdin from /dev/null (or a pipe the parent writes), stdout and
// stderr into two pipes that the parent reads. The child gets SIGTERM when the parent dies, however
// it dies (SIGKILL included), so it can never outlive the adapter that started it.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (a path; no PATH search) with `arguments` (argv[1..]). Returns 0, or
    // the errno of what failed: creating the pipes, fork(), or exec() in the child.
    // `pipeStdin`: the child reads a pipe that stdinFd() writes to, until closeStdin().
    int start(const std::string& program, const std::vector<std::string>& arguments,
              bool pipeStdin = false);

    pid_t pid() const { return m_pid; }
    int stdinFd() const { return m_stdin; }
    void closeStdin();
    int stdoutFd() const { return m_stdout; }
    int stderrFd() const { return m_stderr; }
    void closeStdout();
    void closeStderr();

    // Reaps the child if it has ended; returns its wait status then.
    std::optional<int> tryWait();
    // Waits for the child to end and returns its wait status.
    int wait();
    bool running() const { return m_pid > 0 && !m_status; }
    std::optional<int> waitStatus() const { return m_status; }

private:
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_stdout = -1;
    int m_stderr = -1;
    std::optional<int> m_status;
};
