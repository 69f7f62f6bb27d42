// Times in the presentation files: milliseconds written as seconds in the
// shortest decimal form, "." as the separator, no unit.
#pragma once

#include <QString>

#include <cstdint>

namespace brindle {

// 0 gives "0", 12500 gives "12.5", 7333 gives "7.333", -250 gives "-0.25".
// Computed on the integer, so no rounding and no locale ever enter.
QString SecondsText(std::int32_t ms);

}  // namespace brindle
