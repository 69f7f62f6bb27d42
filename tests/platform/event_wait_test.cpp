// Waiting with the window alive ends when its flag is raised or its
// condition holds, events keep arriving while it waits, and a condition
// changed outside any event is seen by the poll.
#include "platform/event_wait.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <atomic>
#include <chrono>
#include <thread>

namespace brindle {
namespace {

TEST(EventWait, EventsArriveAndTheFlagEndsTheWait) {
    bool stop = false;
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (++ticks == 3) {
            stop = true;
        }
    });
    timer.start(1);
    // A deadline far away: only the flag can end this wait.
    processEventsFor(600000, &stop);
    EXPECT_TRUE(stop);
    EXPECT_EQ(ticks, 3);
}

TEST(EventWait, ARaisedFlagReturnsAtOnceAndNoFlagWaitsOutTheTime) {
    bool stop = true;
    int ticks = 0;
    QTimer::singleShot(0, [&] { ++ticks; });
    processEventsFor(600000, &stop);
    EXPECT_EQ(ticks, 0) << "nothing processed once the flag is up";
    processEventsFor(30);
    EXPECT_EQ(ticks, 1);
}

TEST(EventWait, TheConditionIsAskedBeforeEachRoundAndTheDeadlineEndsTheWait) {
    int asked = 0;
    EXPECT_TRUE(processEventsUntil([&] { return ++asked == 1; }, QDeadlineTimer(0)))
        << "a condition that holds at once ends the wait even with no time left";
    EXPECT_EQ(asked, 1);

    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(processEventsUntil([] { return false; }, QDeadlineTimer(40)));
    EXPECT_GE(clock.elapsed(), 40);
    EXPECT_LT(clock.elapsed(), 5000);
}

// With no event to wake the loop, only the poll sees a flag another thread
// raises; without it this wait would sleep until the deadline.
TEST(EventWait, ThePollSeesAConditionChangedOutsideAnyEvent) {
    std::atomic<bool> done = false;
    std::thread raiser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        done = true;
    });
    QElapsedTimer clock;
    clock.start();
    const bool ended = processEventsUntil([&] { return done.load(); }, QDeadlineTimer(20000), 10);
    raiser.join();
    EXPECT_TRUE(ended);
    EXPECT_LT(clock.elapsed(), 10000);
}

}  // namespace
}  // namespace brindle
