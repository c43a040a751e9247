#pragma once

#include <sys/types.h>
#include <csignal>

// Passes SIGTERM, SIGINT, SIGHUP and SIGQUIT on to the child, so stopping coder stops ffmpeg,
// and remembers the first one so coder can end with 128 + signal once the child is gone.
// Those signals and SIGCHLD also wake the poll loop through a self-pipe. One instance at a time
// (signal handlers are process-wide).
class SignalForwarder {
public:
    SignalForwarder();
    ~SignalForwarder();
    SignalForwarder(const SignalForwarder&) = delete;
    SignalForwarder& operator=(const SignalForwarder&) = delete;

    // Hold the signals back around fork(), so none is lost between the fork and the moment
    // the child's pid is known (the handler passes those on once unblocked); setChild() passes
    // on one that came before the child existed.
    void block();
    void unblock();
    void setChild(pid_t pid);

    // Readable after any handled signal; drainWakeups() empties it.
    int wakeFd() const { return m_wakeRead; }
    void drainWakeups();

    // The first stop signal received, 0 when none.
    int stopSignal() const;

    // The signals passed on to the child.
    static const int kForwarded[4];
    // Those and SIGCHLD: a thread of coder's that blocks them leaves them to the poll loop.
    static sigset_t handledSignals();

private:
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    sigset_t m_previousMask{};
    struct sigaction m_previous[5]{};
};
