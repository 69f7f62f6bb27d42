// The synthetic camera's running frame counter: the frame number drawn as a
// row of 16 black or white 8x8 blocks (most significant bit first) across
// the top of the picture. Blocks of that size survive compression, so a test
// can read the counter back from a recorded clip and see which frames were
// lost or repeated.
#pragma once

#include <algorithm>
#include <cstdint>

namespace brindle::vfw {

inline constexpr int kStampBits = 16;
inline constexpr int kStampBlock = 8;

// Draws n into an 8-bit luma plane; a picture narrower than the stamp keeps
// only the bits that fit.
inline void stampFrameNumber(std::uint8_t* luma, int stride, int width, int height,
                             std::uint32_t n) {
    for (int bit = 0; bit < kStampBits; ++bit) {
        const bool one = (n >> (kStampBits - 1 - bit)) & 1;
        const int x0 = bit * kStampBlock;
        for (int y = 0; y < kStampBlock && y < height; ++y) {
            for (int x = x0; x < x0 + kStampBlock && x < width; ++x) {
                luma[static_cast<std::int64_t>(y) * stride + x] = one ? 235 : 16;
            }
        }
    }
}

// Greys the chroma under the stamp (4:2:0 planes), so the blocks are black
// and white in any colour format.
inline void greyStampChroma(std::uint8_t* u, int uStride, std::uint8_t* v, int vStride, int width,
                            int height) {
    const int w = std::min((kStampBits * kStampBlock + 1) / 2, (width + 1) / 2);
    const int h = std::min(kStampBlock / 2, (height + 1) / 2);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            u[static_cast<std::int64_t>(y) * uStride + x] = 128;
            v[static_cast<std::int64_t>(y) * vStride + x] = 128;
        }
    }
}

// Reads the number back from the centre of each block.
inline std::uint32_t readFrameNumber(const std::uint8_t* luma, int stride) {
    std::uint32_t n = 0;
    for (int bit = 0; bit < kStampBits; ++bit) {
        const std::uint8_t v = luma[static_cast<std::int64_t>(kStampBlock / 2) * stride +
                                    bit * kStampBlock + kStampBlock / 2];
        n = (n << 1) | (v > 128 ? 1u : 0u);
    }
    return n;
}

}  // namespace brindle::vfw
