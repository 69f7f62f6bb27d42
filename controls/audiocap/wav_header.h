// The chunk walk of a RIFF WAVE header, over any stream, so that a file
// whose header lies is refused before a decoder reserves memory for it.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

namespace brindle::sonteval {

// Checks the chunk structure of the `size` bytes readable from `in` against
// that size: true for bytes that are not RIFF WAVE at all (other readers
// judge them) and for a well-formed header up to its "data" chunk; false,
// with the reason in *why, otherwise.
bool wavHeaderSound(std::istream& in, std::uint64_t size, std::string* why);

}  // namespace brindle::sonteval
