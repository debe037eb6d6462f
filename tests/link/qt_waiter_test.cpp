// The real waits: asleep until woken or due, and the Stop button seen in time.
#include "link/qt_waiter.h"
#include "link/steady_clock.h"
#include "processor_time.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>


TEST(QtWaiter, EachModeSleepsUntilTheDeadline)
{
    SteadyClock clock;
    QtWaiter waiter(clock);
    for (Pump pump : {Pump::None, Pump::NonInput}) {
        double cpu = processorSeconds();
        int64_t start = clock.nowMs();
        waiter.waitUntil(start + 400, pump);
        EXPECT_GE(clock.nowMs() - start, 399);
        EXPECT_LT(processorSeconds() - cpu, 0.05);
    }
}

TEST(QtWaiter, WakeEndsTheWaitAndWindowEventsSeeTheStopInTime)
{
    SteadyClock clock;
    QtWaiter waiter(clock);
    int64_t start = clock.nowMs();
    QTimer::singleShot(100, &waiter, &QtWaiter::wake);
    waiter.waitUntil(start + 5000, Pump::NonInput);
    EXPECT_LT(clock.nowMs() - start, 1000);

    // A Stop click sets the flag from a window event; the waiting loop must notice it soon.
    bool stop = false;
    QTimer::singleShot(200, [&] { stop = true; });
    start = clock.nowMs();
    int64_t seen = 0;
    double cpu = processorSeconds();
    while (!stop && clock.nowMs() - start < 5000)
        waiter.waitUntil(start + 5000, Pump::All);
    seen = clock.nowMs() - start;
    EXPECT_GE(seen, 190);
    EXPECT_LT(seen, 300);
    EXPECT_LT(processorSeconds() - cpu, 0.05);
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
