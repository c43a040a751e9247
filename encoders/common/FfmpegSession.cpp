#include "FfmpegSession.h"

#include "ChildProcess.h"
#include "LineSplitter.h"
#include "SignalForwarder.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <optional>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

enum class ReadResult { Data, Nothing, Closed };

// Reads once from `fd` into the splitter.
ReadResult readInto(int fd, LineSplitter& lines) {
    char buffer[16 * 1024];
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
        lines.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
        return ReadResult::Data;
    }
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
        return ReadResult::Nothing;
    }
    return ReadResult::Closed;
}

// After ffmpeg has exited everything it wrote is in the pipe; read it without waiting for an
// end of file that a leftover grandchild holding the pipe could delay forever.
void drain(int fd, LineSplitter& lines) {
    if (fd < 0) {
        return;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    while (readInto(fd, lines) == ReadResult::Data) {
    }
}

int millisecondsUntil(Clock::time_point when) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(when - Clock::now());
    return static_cast<int>(std::clamp<long long>(left.count() + 1, 0, 60'000));
}

}  // namespace

FfmpegSession::FfmpegSession(OutputRelay::Sink sink, RelayLimits limits)
    : FfmpegSession(std::move(sink), limits, Timing{}) {}

FfmpegSession::FfmpegSession(OutputRelay::Sink sink, RelayLimits limits, Timing timing)
    : m_relay(std::move(sink), limits), m_timing(timing) {}

FfmpegRun FfmpegSession::run(const std::string& program, const std::vector<std::string>& arguments,
                             SignalForwarder& signals, const std::function<void()>& started) {
    ChildProcess child;

    signals.block();
    const int startError = child.start(program, arguments);
    if (startError == 0) {
        signals.setChild(child.pid());
    }
    signals.unblock();
    if (startError != 0) {
        FfmpegRun failed;
        failed.startError = startError;
        return failed;
    }
    if (started) {
        started();
    }

    Clock::time_point nextHeartbeat = Clock::now() + m_timing.heartbeat;
    LineSplitter progressLines([&](std::string_view line) {
        if (m_relay.progressLine(line)) {
            nextHeartbeat = Clock::now() + m_timing.heartbeat;
        }
    });
    LineSplitter logLines([&](std::string_view line) { m_relay.logLine(line); });

    std::optional<Clock::time_point> killAt;
    bool killed = false;
    while (true) {
        child.tryWait();
        if (!child.running()) {
            break;
        }
        if (signals.stopSignal() != 0 && !killAt) {
            killAt = Clock::now() + m_timing.stopGrace;
        }
        if (killAt && !killed && Clock::now() >= *killAt) {
            ::kill(child.pid(), SIGKILL);  // ffmpeg ignored the stop signal; coder must not hang
            killed = true;
        }

        pollfd fds[3] = {{signals.wakeFd(), POLLIN, 0},
                         {child.stdoutFd(), POLLIN, 0},
                         {child.stderrFd(), POLLIN, 0}};
        Clock::time_point wakeAt = nextHeartbeat;
        if (killAt && !killed) {
            wakeAt = std::min(wakeAt, *killAt);
        }
        const int ready = ::poll(fds, 3, millisecondsUntil(wakeAt));
        if (ready > 0) {
            if (fds[0].revents != 0) {
                signals.drainWakeups();
            }
            if (fds[1].revents != 0 && readInto(fds[1].fd, progressLines) == ReadResult::Closed) {
                child.closeStdout();
            }
            if (fds[2].revents != 0 && readInto(fds[2].fd, logLines) == ReadResult::Closed) {
                child.closeStderr();
            }
        }
        if (Clock::now() >= nextHeartbeat) {
            m_relay.heartbeat();
            nextHeartbeat = Clock::now() + m_timing.heartbeat;
        }
    }

    // Log lines first, so the closing time line of the last progress block comes after them.
    drain(child.stderrFd(), logLines);
    logLines.finish();
    drain(child.stdoutFd(), progressLines);
    progressLines.finish();
    child.closeStdout();
    child.closeStderr();

    m_relay.finish();
    FfmpegRun run;
    run.waitStatus = child.waitStatus().value_or(0);
    run.firstError = m_relay.firstError();
    if (!m_relay.durationEstimated()) {
        run.inputSeconds = m_relay.inputSeconds();
    }
    run.reachedSeconds = m_relay.reachedSeconds();
    return run;
}
