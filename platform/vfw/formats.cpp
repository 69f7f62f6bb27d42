#include "platform/vfw/formats.h"

namespace brindle::vfw {

std::uint32_t fourccOf(const std::string& text) {
    char c[4] = {' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < 4 && i < text.size(); ++i) {
        c[i] = text[i];
    }
    return fourcc(c[0], c[1], c[2], c[3]);
}

std::string fourccText(std::uint32_t code) {
    if (code == 0) {
        return {};
    }
    std::string s(4, ' ');
    for (int i = 0; i < 4; ++i) {
        s[i] = static_cast<char>((code >> (8 * i)) & 0xff);
    }
    return s;
}

std::uint64_t frameBytes(std::int64_t width, std::int64_t height, std::uint32_t compression,
                         unsigned bitCount) {
    if (height < 0) {
        height = -height;
    }
    if (width <= 0 || height <= 0 || width > kMaxFrameSide || height > kMaxFrameSide) {
        return 0;
    }
    const auto w = static_cast<std::uint64_t>(width);
    const auto h = static_cast<std::uint64_t>(height);
    switch (compression) {
        case dib::kBiRgb:
            if (bitCount != 24) {
                return 0;
            }
            return (w * 24 + 31) / 32 * 4 * h;
        case kFourccI420:
            return w * h + 2 * (((w + 1) / 2) * ((h + 1) / 2));
        case kFourccYVU9:
            return w * h + 2 * (((w + 3) / 4) * ((h + 3) / 4));
        default:
            return 0;
    }
}

bool WaveFormat::valid() const {
    return formatTag == 1 && (channels == 1 || channels == 2) &&
           (bitsPerSample == 8 || bitsPerSample == 16) && samplesPerSec >= 1000 &&
           samplesPerSec <= 192000 && blockAlign == channels * (bitsPerSample / 8) &&
           avgBytesPerSec == blockAlign * samplesPerSec;
}

std::array<std::uint8_t, 18> WaveFormat::bytes() const {
    std::array<std::uint8_t, 18> b{};
    dib::detail::put16(b.data(), formatTag);
    dib::detail::put16(b.data() + 2, channels);
    dib::detail::put32(b.data() + 4, samplesPerSec);
    dib::detail::put32(b.data() + 8, avgBytesPerSec);
    dib::detail::put16(b.data() + 12, blockAlign);
    dib::detail::put16(b.data() + 14, bitsPerSample);
    dib::detail::put16(b.data() + 16, cbSize);
    return b;
}

}  // namespace brindle::vfw
