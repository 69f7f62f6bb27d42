// The wave format record: how sound samples are laid out in a buffer or a
// file, with the conversions between byte counts and milliseconds.
#pragma once

#include <cstdint>

namespace brindle::wave {

inline constexpr std::uint16_t kFormatPcm = 1;

struct Format {
    std::uint16_t tag = kFormatPcm;
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 22050;
    std::uint32_t bytesPerSec = 44100;
    std::uint16_t blockAlign = 2;  // bytes per sample frame
    std::uint16_t bitsPerSample = 16;

    bool isPcm() const { return tag == kFormatPcm; }
    // A format whose sizes make sense: nothing divides by zero with it.
    bool usable() const {
        return channels > 0 && samplesPerSec > 0 && bytesPerSec > 0 && blockAlign > 0;
    }
    bool operator==(const Format&) const = default;

    static Format pcm(int channels, int rate, int bits) {
        Format f;
        f.channels = static_cast<std::uint16_t>(channels);
        f.samplesPerSec = static_cast<std::uint32_t>(rate);
        f.bitsPerSample = static_cast<std::uint16_t>(bits);
        f.blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
        f.bytesPerSec = f.samplesPerSec * f.blockAlign;
        return f;
    }
};

// Milliseconds of a byte count, and bytes of a millisecond count, both
// rounded, with 64-bit intermediates so long sounds do not overflow.
inline std::uint32_t bytesToMs(std::uint64_t bytes, std::uint32_t bytesPerSec) {
    if (bytesPerSec == 0) {
        return 0;
    }
    return static_cast<std::uint32_t>((bytes * 1000 + bytesPerSec / 2) / bytesPerSec);
}
inline std::uint32_t msToBytes(std::uint64_t ms, std::uint32_t bytesPerSec) {
    return static_cast<std::uint32_t>((ms * bytesPerSec + 500) / 1000);
}

// Sample frames and milliseconds at a sample rate: the time of a sample is
// rounded down, the sample at a time is the one playing then.
inline std::int64_t samplesToMs(std::int64_t samples, std::uint32_t rate) {
    return rate == 0 ? 0 : samples * 1000 / rate;
}
inline std::int64_t msToSamples(std::int64_t ms, std::uint32_t rate) {
    return ms * rate / 1000;
}

}  // namespace brindle::wave
