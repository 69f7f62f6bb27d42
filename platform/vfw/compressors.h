// The installed video compressors, each known by its four-character handler
// code and made of an FFmpeg encoder, with the calls a capture program makes
// on a codec: open by handler, configure, output format, largest frame,
// begin, compress one frame, end.
//
// The MPEG-4 part 2 handlers "zq5a" and "zq4a" accept their 88- and 80-byte
// configuration blocks; their frames go into AVI files under the codec's
// real tag (FMP4), so any reader decodes them.
#pragma once

#include "platform/vfw/formats.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace brindle::vfw {

// The "vidc" compressor type.
inline constexpr std::uint32_t kTypeVidc = fourcc('v', 'i', 'd', 'c');

// Codec answers, as a codec message returns them.
inline constexpr int kIcOk = 0;
inline constexpr int kIcErrUnsupported = -1;
inline constexpr int kIcErrBadFormat = -2;
inline constexpr int kIcErrError = -100;

// The configuration message and the block's fields.
inline constexpr std::uint32_t kIcmConfigure = 0x5001;

struct CompressorInfo {
    std::uint32_t handler = 0;  // "zq5a" as a code, case kept
    std::string description;
    std::string encoder;           // FFmpeg encoder name
    std::uint32_t aviTag = 0;      // the tag the AVI stream carries
    std::uint32_t configSize = 0;  // 0: takes no configuration block
    std::uint32_t configTag = 0;
};

// Every installed compressor whose encoder this FFmpeg has, index 0 upwards.
std::vector<CompressorInfo> installedCompressors();

// The configuration block of the two MPEG-4 handlers, zeroed, then filled.
std::vector<std::uint8_t> configBlock(bool zq4aForm);

class Compressor {
public:
    ~Compressor();

    // Opens the compressor whose handler matches without regard to case, as
    // opening by handler does; nullptr when none does.
    static std::unique_ptr<Compressor> open(std::uint32_t handler);

    const CompressorInfo& info() const { return m_info; }

    // The configuration message: kIcOk when the block is this codec's.
    int configure(std::span<const std::uint8_t> block);

    // Compress queries: the output format for an input (40 bytes, or 0 when
    // the input cannot be compressed) and whether a pair works.
    std::uint32_t formatSize(const BitmapInfoHeader& in) const;
    int getFormat(const BitmapInfoHeader& in, BitmapInfoHeader* out) const;
    int query(const BitmapInfoHeader& in, const BitmapInfoHeader& out) const;
    // The largest compressed frame for the input, in bytes.
    std::uint64_t maxCompressedSize(const BitmapInfoHeader& in) const;

    int begin(const BitmapInfoHeader& in, const BitmapInfoHeader& out);
    // Compresses one frame of the input format into dest. quality is 0..10000.
    // *written and *keyFrame describe the result; kIcOk on success.
    int compress(std::span<const std::uint8_t> bits, bool keyFrameRequest, int quality,
                 std::int64_t frameNumber, std::span<std::uint8_t> dest, std::size_t* written,
                 bool* keyFrame);
    void end();

private:
    Compressor() = default;
    struct State;
    CompressorInfo m_info;
    std::unique_ptr<State> m_state;
    bool m_configured = false;
};

}  // namespace brindle::vfw
