#include "process/clsWaitableTimer.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QTimer>

#include <algorithm>
#include <vector>

// A manual-reset timer shared by name. It is signalled once its due time has passed; arming
// it again makes it unsignalled until the new due time, and wakes every wait blocked on it so
// each one goes by the new due time.
class NamedTimer {
public:
    static std::shared_ptr<NamedTimer> open(const QString& name) {
        auto& registry = timers();
        if (auto existing = registry.value(name).lock()) {
            return existing;
        }
        auto created = std::make_shared<NamedTimer>();
        registry.insert(name, created);
        return created;
    }

    void arm(int milliSeconds) {
        m_due = QDeadlineTimer(std::max(milliSeconds, 0));
        for (QEventLoop* loop : m_blocked) {
            loop->quit();
        }
    }

    bool signalled() const { return m_due.hasExpired(); }

    // Serves events until the due time or until a re-arming; returns at once when signalled.
    // `blockedIn` names the loop while it runs, so the wait can be interrupted.
    void blockUntilDueOrRearmed(QEventLoop*& blockedIn) {
        if (signalled()) {
            return;
        }
        QEventLoop loop;
        QEventLoop* const outer = blockedIn;
        blockedIn = &loop;
        QTimer due;
        due.setSingleShot(true);
        due.setTimerType(Qt::PreciseTimer);
        QObject::connect(&due, &QTimer::timeout, &loop, &QEventLoop::quit);
        due.start(static_cast<int>(std::max<qint64>(m_due.remainingTime(), 0)));
        m_blocked.push_back(&loop);
        loop.exec();
        blockedIn = outer;
        m_blocked.erase(std::remove(m_blocked.begin(), m_blocked.end(), &loop), m_blocked.end());
    }

private:
    static QHash<QString, std::weak_ptr<NamedTimer>>& timers() {
        static QHash<QString, std::weak_ptr<NamedTimer>> registry;
        return registry;
    }

    QDeadlineTimer m_due{0};
    std::vector<QEventLoop*> m_blocked;
};

void clsWaitableTimer::Interrupt() {
    m_interrupted = true;
    if (m_blockedIn) {
        m_blockedIn->quit();
    }
}

clsWaitableTimer::~clsWaitableTimer() {
    m_handle.reset();
}

QString clsWaitableTimer::timerName(const QTime& now) {
    const QString program = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return program + QStringLiteral("Timer") + now.toString(QStringLiteral("mmss"));
}

void clsWaitableTimer::Wait(int MilliSeconds) {
    // Keep our own reference: a handler run during the wait may start another wait on this
    // object, which replaces m_handle.
    const std::shared_ptr<NamedTimer> timer = NamedTimer::open(timerName(QTime::currentTime()));
    m_handle = timer;
    m_interrupted = false;
    timer->arm(MilliSeconds);
    do {
        if (!m_interrupted) {
            timer->blockUntilDueOrRearmed(m_blockedIn);
        }
        QCoreApplication::processEvents();
    } while (!timer->signalled() && !m_interrupted);
    m_interrupted = false;
    if (m_handle == timer) {
        m_handle.reset();
    }
}
