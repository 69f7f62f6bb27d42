// How long each slide stays on screen, and where it sits on the
// presentation's single time line.
#pragma once

#include <QVariant>

#include <cstdint>

namespace brindle {

// The duration in milliseconds of slide `index` (1-based) as a 32-bit
// integer in a variant: its own Duration, stretched to its audio caption
// when that is longer. An empty variant when there is no such slide.
QVariant calculateSlideDuration(std::int16_t index);

// The start of slide `index` within a presentation of the slides from
// `first` on: the sum of the durations before it, 0 for `first` itself.
std::int32_t slideStartMs(int first, int index);

// The length of a presentation of slides first..last: the sum of their
// durations, or the background track's duration when a track is set and
// is longer.
std::int32_t presentationTotalMs(int first, int last);

}  // namespace brindle
