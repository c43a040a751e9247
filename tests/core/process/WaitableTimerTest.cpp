#include "process/clsWaitableTimer.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

TEST(WaitableTimerTest, NameCarriesProgramMinuteAndSecond) {
    const QString program =
        QCoreApplication::applicationFilePath().section(QLatin1Char('/'), -1).section('.', 0, 0);
    EXPECT_EQ(clsWaitableTimer::timerName(QTime(14, 5, 12)), program + "Timer0512");
    EXPECT_NE(clsWaitableTimer::timerName(QTime(14, 5, 12)),
              clsWaitableTimer::timerName(QTime(14, 5, 13)));
}

TEST(WaitableTimerTest, WaitLastsItsTimeAndServesEventsMeanwhile) {
    clsWaitableTimer pause;
    int fired = 0;
    QTimer::singleShot(10, [&] { ++fired; });
    QTimer::singleShot(20, [&] { ++fired; });
    QElapsedTimer clock;
    clock.start();
    pause.Wait(50);
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(elapsed, 49);
    EXPECT_LT(elapsed, 1000);
    EXPECT_EQ(fired, 2);
}

TEST(WaitableTimerTest, ZeroWaitReturnsAfterOnePass) {
    clsWaitableTimer pause;
    bool posted = false;
    QTimer::singleShot(0, [&] { posted = true; });
    QElapsedTimer clock;
    clock.start();
    pause.Wait(0);
    EXPECT_LT(clock.elapsed(), 100);
    EXPECT_TRUE(posted) << "one pass serves what was already pending";
}

TEST(WaitableTimerTest, OverlappingWaitsShareTheTimerAndTheLaterArmingCounts) {
    // Both waits start within the same second, so they share one named timer: the inner
    // arming (50 ms from its start) sets the due time for the outer one as well, which
    // therefore ends long before its own 1000 ms.
    clsWaitableTimer outer;
    clsWaitableTimer inner;
    QElapsedTimer clock;
    qint64 innerStarted = -1;
    QString innerName;
    // Start just after a second begins, so both waits fall within the same second.
    QThread::msleep(static_cast<unsigned long>(1000 - QTime::currentTime().msec() + 5));
    const QString outerName = clsWaitableTimer::timerName(QTime::currentTime());
    QTimer::singleShot(20, [&] {
        innerName = clsWaitableTimer::timerName(QTime::currentTime());
        innerStarted = clock.elapsed();
        inner.Wait(50);
    });
    clock.start();
    outer.Wait(1000);
    const qint64 outerEnded = clock.elapsed();
    if (innerName != outerName) {
        GTEST_SKIP() << "the machine stalled past a second boundary; the timers were not shared";
    }
    ASSERT_GE(innerStarted, 0);
    EXPECT_GE(outerEnded, innerStarted + 49);
    EXPECT_LT(outerEnded, 600);
}

TEST(WaitableTimerTest, WaitsInDifferentSecondsAreIndependent) {
    clsWaitableTimer outer;
    clsWaitableTimer inner;
    QElapsedTimer clock;
    bool innerRan = false;
    // Start the inner wait in the next second, so it uses a timer of another name.
    const int untilNextSecond = 1000 - QTime::currentTime().msec() + 20;
    QTimer::singleShot(untilNextSecond, [&] {
        inner.Wait(20);
        innerRan = true;
    });
    clock.start();
    outer.Wait(untilNextSecond + 400);
    EXPECT_TRUE(innerRan);
    EXPECT_GE(clock.elapsed(), untilNextSecond + 399);
}
