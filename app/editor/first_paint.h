// The editor's first paint: work held back until the window has been
// painted, and a start-up timing for benchmarks (with BRINDLE_FIRST_PAINT
// set, the program prints how long it took from its launch to the first
// paint of the slide strip, and ends).
#pragma once

#include <QByteArray>

#include <functional>

class QWidget;

namespace brindle {

// Milliseconds from the launch to now. `launch` is the value of
// BRINDLE_FIRST_PAINT: seconds since the epoch with a fraction (what a
// shell's EPOCHREALTIME gives just before it starts the program) when that
// is a moment of the last hour, else the process's own start time, which the
// kernel keeps in hundredths of a second. Negative when neither can be read.
double msSinceLaunch(const QByteArray& launch);

// When BRINDLE_FIRST_PAINT is set: the strip's next paint prints
// "first-paint-ms N" on standard output and ends the event loop. The strip
// is asked to paint once, so a strip already painted while the project
// opened is measured again as it stands now.
void reportFirstStripPaint(QWidget* strip);

// Runs `work` on the GUI thread once `window` has painted (asked to paint
// now), so start-up work that loads libraries or probes devices does not
// hold back what the user sees first. Runs it after `fallbackMs` when no
// paint comes, as for a window that is not shown; never runs it after the
// window is gone.
void afterNextPaint(QWidget* window, std::function<void()> work, int fallbackMs = 1000);

}  // namespace brindle
