// Waiting while the window stays alive: pending events are processed until
// a condition holds or a time has passed on the monotonic clock (never the
// time of day, which jumps at midnight and when the clock is set). The one
// wait of the program: pauses, waits for a flag, waits for an encoder.
#pragma once

#include <QDeadlineTimer>

#include <functional>

namespace brindle {

// Processes events until done() answers true (asked before each round) or
// the deadline passes; answers whether done() did. The wait sleeps in the
// event loop, so it does not spin: done() is asked again after each batch of
// events, and also every wakeEveryMs milliseconds when that is above zero,
// for conditions that change outside an event handler.
bool processEventsUntil(const std::function<bool()>& done,
                        QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever),
                        int wakeEveryMs = 0);

// Processes events for up to ms milliseconds; returns early once *stop
// (when given) is true.
void processEventsFor(int ms, const bool* stop = nullptr);

}  // namespace brindle
