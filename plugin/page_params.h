// The page's parameters as the plug-in reads them: names compared without
// regard to letter case, the first of a repeated name counting, numbers read
// as decimal integers the way the page writes them.
#pragma once

#include <cstdint>
#include <string_view>

namespace kestrum {

bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);

// The value of the first pair named `name`, or null when there is none.
const char* findParam(const char* const* names, const char* const* values, int count,
                      std::string_view name);

// Leading blanks and a sign allowed, reading stops at the first other
// character, no digits give 0. Values beyond the range of a 32-bit integer
// are held at its ends.
std::int32_t readNumber(const char* text);

}  // namespace kestrum
