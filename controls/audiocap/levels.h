// The level meter: one 0..100 value per channel for a buffer of PCM sound,
// in half-decibel steps from 30 dB of the buffer's mean square.
#pragma once

#include "platform/wave/wave_format.h"

#include <cstddef>
#include <cstdint>

namespace brindle::sonteval {

struct Levels {
    short left = 0;
    short right = 0;  // 0 for mono sound
};

Levels measureLevels(const wave::Format& format, const std::uint8_t* data, std::size_t bytes);

}  // namespace brindle::sonteval
