// The record types of the capture service: the device's video format (a
// 40-byte bitmap info header), the 18-byte wave format of its sound, the
// capture parameters and the capture status. Image sizes are computed here
// once, per pixel format and in 64 bits, so a device's numbers are checked
// before any buffer is sized from them.
#pragma once

#include "platform/dib.h"

#include <array>
#include <cstdint>
#include <string>

namespace brindle::vfw {

using dib::BitmapInfoHeader;

constexpr std::uint32_t fourcc(char a, char b, char c, char d) {
    return std::uint32_t(std::uint8_t(a)) | std::uint32_t(std::uint8_t(b)) << 8 |
           std::uint32_t(std::uint8_t(c)) << 16 | std::uint32_t(std::uint8_t(d)) << 24;
}

// The first four characters of text as a code (shorter text padded with
// blanks); fourccText is its inverse.
std::uint32_t fourccOf(const std::string& text);
std::string fourccText(std::uint32_t code);

inline constexpr std::uint32_t kFourccI420 = fourcc('I', '4', '2', '0');
inline constexpr std::uint32_t kFourccYVU9 = fourcc('Y', 'V', 'U', '9');

// The largest frame the service accepts from a device on either side.
inline constexpr std::int64_t kMaxFrameSide = 16384;

// Bytes of one frame of the format: bottom-up 24-bit rows padded to 4 bytes,
// or the planes of I420 (4:2:0) and YVU9 (4:1:0). 0 when the size or the
// format is not one the service handles.
std::uint64_t frameBytes(std::int64_t width, std::int64_t height, std::uint32_t compression,
                         unsigned bitCount);
inline std::uint64_t frameBytes(const BitmapInfoHeader& h) {
    return frameBytes(h.biWidth, h.biHeight, h.biCompression, h.biBitCount);
}

// The 18-byte wave format: PCM, channels, rate, and the two derived fields.
struct WaveFormat {
    std::uint16_t formatTag = 1;  // PCM
    std::uint16_t channels = 1;
    std::uint32_t samplesPerSec = 11025;
    std::uint32_t avgBytesPerSec = 11025;
    std::uint16_t blockAlign = 1;
    std::uint16_t bitsPerSample = 8;
    std::uint16_t cbSize = 0;

    // Block align and bytes per second from the other fields.
    void recompute() {
        blockAlign = static_cast<std::uint16_t>(channels * (bitsPerSample / 8));
        avgBytesPerSec = blockAlign * samplesPerSec;
    }
    // A format the service records: PCM, 1 or 2 channels, 8 or 16 bits, a
    // rate from 1000 to 192000 Hz, and consistent derived fields.
    bool valid() const;
    std::array<std::uint8_t, 18> bytes() const;
    bool operator==(const WaveFormat&) const = default;
};

// The capture parameters the control reads and writes as one record.
struct CaptureParms {
    std::uint32_t microSecPerFrame = 66667;
    bool yield = false;
    bool captureAudio = true;
    bool limitEnabled = false;
    std::uint32_t timeLimitSec = 0;
    bool abortLeftMouse = false;
    bool abortRightMouse = false;
    int abortKey = 0;  // 27: Escape
};

struct CaptureStatus {
    bool capturing = false;
    std::uint32_t currentVideoFrame = 0;  // frames received in this capture
    std::uint32_t videoFramesDropped = 0;
    std::uint64_t currentWaveSamples = 0;
    std::uint32_t currentTimeMs = 0;
};

struct DriverCaps {
    bool hasOverlay = false;
    bool hasDlgVideoSource = false;
    bool hasDlgVideoFormat = true;
    bool hasDlgVideoDisplay = false;
};

}  // namespace brindle::vfw
