#include "SignalForwarder.h"

#include <fcntl.h>
#include <unistd.h>
#include <atomic>
#include <cerrno>

namespace {

// Shared with the handlers; lock-free atomics are safe to touch from a signal handler.
std::atomic<pid_t> g_child{0};
std::atomic<int> g_stopSignal{0};
std::atomic<int> g_wakeWrite{-1};

static_assert(std::atomic<pid_t>::is_always_lock_free);
static_assert(std::atomic<int>::is_always_lock_free);

void wake() {
    const int fd = g_wakeWrite.load();
    if (fd >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t ignored = ::write(fd, &byte, 1);
    }
}

extern "C" void onStopSignal(int signal) {
    const int savedErrno = errno;
    int expected = 0;
    g_stopSignal.compare_exchange_strong(expected, signal);
    const pid_t child = g_child.load();
    if (child > 0) {
        ::kill(child, signal);
    }
    wake();
    errno = savedErrno;
}

extern "C" void onChildSignal(int) {
    const int savedErrno = errno;
    wake();
    errno = savedErrno;
}

}  // namespace

const int SignalForwarder::kForwarded[4] = {SIGTERM, SIGINT, SIGHUP, SIGQUIT};

sigset_t SignalForwarder::handledSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : SignalForwarder::kForwarded) {
        sigaddset(&set, signal);
    }
    sigaddset(&set, SIGCHLD);
    return set;
}

SignalForwarder::SignalForwarder() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
        m_wakeRead = fds[0];
        m_wakeWrite = fds[1];
    }
    g_child.store(0);
    g_stopSignal.store(0);
    g_wakeWrite.store(m_wakeWrite);

    struct sigaction action {};
    sigemptyset(&action.sa_mask);
    action.sa_handler = onStopSignal;
    for (std::size_t i = 0; i < 4; ++i) {
        ::sigaction(kForwarded[i], &action, &m_previous[i]);
    }
    // SA_RESTART keeps child exits from interrupting writes; poll() still returns EINTR.
    action.sa_handler = onChildSignal;
    action.sa_flags = SA_NOCLDSTOP | SA_RESTART;
    ::sigaction(SIGCHLD, &action, &m_previous[4]);
}

SignalForwarder::~SignalForwarder() {
    for (std::size_t i = 0; i < 4; ++i) {
        ::sigaction(kForwarded[i], &m_previous[i], nullptr);
    }
    ::sigaction(SIGCHLD, &m_previous[4], nullptr);
    g_wakeWrite.store(-1);
    g_child.store(0);
    if (m_wakeRead >= 0) {
        ::close(m_wakeRead);
    }
    if (m_wakeWrite >= 0) {
        ::close(m_wakeWrite);
    }
}

void SignalForwarder::block() {
    const sigset_t set = handledSignals();
    ::sigprocmask(SIG_BLOCK, &set, &m_previousMask);
}

void SignalForwarder::unblock() {
    ::sigprocmask(SIG_SETMASK, &m_previousMask, nullptr);
}

void SignalForwarder::setChild(pid_t pid) {
    g_child.store(pid);
    // A stop signal that came before the pid was known has not been passed on yet.
    const int pending = g_stopSignal.load();
    if (pid > 0 && pending != 0) {
        ::kill(pid, pending);
    }
}

void SignalForwarder::drainWakeups() {
    char buffer[64];
    while (m_wakeRead >= 0 && ::read(m_wakeRead, buffer, sizeof buffer) > 0) {
    }
}

int SignalForwarder::stopSignal() const {
    return g_stopSignal.load();
}
