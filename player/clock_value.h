// Times as the presentation files write them, in milliseconds.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace brindle {

// Longest time accepted (about 100 days); anything longer is refused so that
// sums of times cannot overflow.
inline constexpr std::int64_t kMaxTimeMs = 100LL * 24 * 3600 * 1000;

// A SMIL clock value: "12.5s", "12.5", "500ms", "2min", "1h", "1:02:03.5",
// "02:03". Nothing for an empty, negative, malformed or "indefinite" value.
std::optional<std::int64_t> parseClockValue(const QString& text);

// A RealPix or RealText time: "dd:hh:mm:ss.xyz" with the leading parts left
// out ("7.333", "1:30"), or whole milliseconds when `milliseconds` is set.
std::optional<std::int64_t> parseStreamTime(const QString& text, bool milliseconds = false);

}  // namespace brindle
