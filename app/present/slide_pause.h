// The short pause before each slide of a pass: the message loop runs until
// the clock reaches the half-second mark after the nearest whole second, so
// the progress dialog repaints and its Cancel button can be pressed.
#pragma once

namespace brindle {

// How long the pause lasts when the time of day is msOfDay milliseconds
// past midnight: up to round(seconds) + 0.5, so between 1 and 1000 ms.
// Computed as a length, not as a time of day to wait for, so a pause that
// spans midnight ends like any other.
int slidePauseMs(int msOfDay);

// Pauses for slidePauseMs(now) on a monotonic clock with the message loop
// running; ends early when CancelRequested becomes set.
void pauseBeforeSlide();

}  // namespace brindle
