#pragma once

#include <QSocketNotifier>

#include <memory>

// Ctrl-C, SIGTERM and SIGHUP cancel the batch instead of killing us mid-file: the handler only
// notes the signal in a pipe, and the event loop cancels the run and reports as usual. While an
// object lives the three signals are caught; afterwards they have their default effect again.
class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Readable when a signal came; nothing when the pipe could not be made.
    QSocketNotifier* notifier() const { return m_notifier.get(); }

    // The first signal received (0 for none); empties the pipe.
    int take();

private:
    static void handle(int signal);

    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_first = 0;
};
