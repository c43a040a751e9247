#pragma once

#include <QString>
#include <QTime>
#include <memory>

class NamedTimer;
class QEventLoop;

// Pauses the caller without freezing the program: while it waits, pending events are served,
// so the window's handlers (and timers) run in the middle of the pause.
//
// Each wait uses a timer named after the program and the wall clock's minute and second
// ("VordanaTimer0512"). Waits that overlap within the same minute and second share that timer,
// and the later arming sets the due time for both, as named timers do.
class clsWaitableTimer {
public:
    clsWaitableTimer() = default;
    ~clsWaitableTimer();  // releases a timer still held by an interrupted wait
    clsWaitableTimer(const clsWaitableTimer&) = delete;
    clsWaitableTimer& operator=(const clsWaitableTimer&) = delete;

    // Returns after `MilliSeconds` (at once, after one pass, for 0 or less), or earlier when
    // Interrupt() is called during the wait.
    void Wait(int MilliSeconds);

    // Ends the wait in progress at its next turn (the runner uses it when its program has ended,
    // so the end is noticed at once rather than at the end of the pause).
    void Interrupt();

    // "<program file name without extension>Timer<mmss>".
    static QString timerName(const QTime& now);

private:
    std::shared_ptr<NamedTimer> m_handle;  // set only while a wait is in progress
    QEventLoop* m_blockedIn = nullptr;
    bool m_interrupted = false;
};
