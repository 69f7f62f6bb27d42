// Waiting while the window stays alive: pending events are processed until
// a time has passed on the monotonic clock (never the time of day, which
// jumps at midnight and when the clock is set) or a flag is raised.
#pragma once

namespace brindle {

// Processes events for up to ms milliseconds; returns early once *stop
// (when given) is true.
void processEventsFor(int ms, const bool* stop = nullptr);

}  // namespace brindle
