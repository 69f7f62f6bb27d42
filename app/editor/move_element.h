// Moving a slide to another place in the slide list.
#pragma once

namespace brindle {

// Moves the slide at position `from` (1-based) so that it ends at position
// `to`, whatever the direction; the slides between shift by one. The record
// itself moves, so its files and names stay as they are. False, with
// nothing changed, when either position lies outside 1..count.
bool moveElement(int from, int to);

}  // namespace brindle
