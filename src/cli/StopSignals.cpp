#include "StopSignals.h"

#include <fcntl.h>
#include <unistd.h>
#include <csignal>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
// The handler may touch nothing but this pipe.
int s_pipe[2] = {-1, -1};

}  // namespace

StopSignals::StopSignals() {
    if (::pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    struct sigaction action {};
    action.sa_handler = &StopSignals::handle;
    sigemptyset(&action.sa_mask);
    for (int signal : kSignals) {
        ::sigaction(signal, &action, nullptr);
    }
    m_notifier = std::make_unique<QSocketNotifier>(s_pipe[0], QSocketNotifier::Read);
}

StopSignals::~StopSignals() {
    m_notifier.reset();
    for (int signal : kSignals) {
        std::signal(signal, SIG_DFL);
    }
    for (int& fd : s_pipe) {
        if (fd >= 0) {
            ::close(fd);
            fd = -1;
        }
    }
}

int StopSignals::take() {
    unsigned char number = 0;
    while (s_pipe[0] >= 0 && ::read(s_pipe[0], &number, 1) == 1) {
        if (m_first == 0) {
            m_first = number;
        }
    }
    return m_first;
}

void StopSignals::handle(int signal) {
    const auto number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t ignored = ::write(s_pipe[1], &number, 1);
}
