// Waiting with the window alive ends when its flag is raised, and events
// keep arriving while it waits.
#include "app/editor/event_wait.h"

#include <gtest/gtest.h>

#include <QTimer>

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

}  // namespace
}  // namespace brindle
