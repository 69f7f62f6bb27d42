// Packed device-independent bitmaps: a 40-byte little-endian
// BITMAPINFOHEADER, the colour table (when the format has one), then the
// pixel rows, each padded to a multiple of 4 bytes; a positive height means
// the rows run bottom-up. The clip edit control hands out frames in this
// form and the image control reads them, so the layout is described once,
// header only, for both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace brindle::dib {

inline constexpr std::uint32_t kInfoHeaderSize = 40;
inline constexpr std::uint32_t kBiRgb = 0;
inline constexpr std::uint32_t kBiBitfields = 3;

struct BitmapInfoHeader {
    std::uint32_t biSize = kInfoHeaderSize;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;  // > 0: bottom-up rows; < 0: top-down
    std::uint16_t biPlanes = 1;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = kBiRgb;
    std::uint32_t biSizeImage = 0;  // may be 0 for uncompressed bitmaps
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

namespace detail {
inline std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}
inline std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline void put32(unsigned char* p, std::uint32_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
    p[2] = static_cast<unsigned char>(v >> 16);
    p[3] = static_cast<unsigned char>(v >> 24);
}
inline void put16(unsigned char* p, std::uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}
}  // namespace detail

// Bytes of one pixel row, padded to a multiple of 4.
inline std::size_t rowBytes(std::int64_t width, unsigned bitCount) {
    if (width <= 0) {
        return 0;
    }
    return static_cast<std::size_t>((width * bitCount + 31) / 32 * 4);
}

// Reads the header at the start of a packed bitmap. False when it is not a
// 40-byte (or larger, versioned) info header.
inline bool readHeader(const void* dib, BitmapInfoHeader* out) {
    if (!dib) {
        return false;
    }
    const auto* p = static_cast<const unsigned char*>(dib);
    BitmapInfoHeader h;
    h.biSize = detail::le32(p);
    if (h.biSize < kInfoHeaderSize) {
        return false;
    }
    h.biWidth = static_cast<std::int32_t>(detail::le32(p + 4));
    h.biHeight = static_cast<std::int32_t>(detail::le32(p + 8));
    h.biPlanes = detail::le16(p + 12);
    h.biBitCount = detail::le16(p + 14);
    h.biCompression = detail::le32(p + 16);
    h.biSizeImage = detail::le32(p + 20);
    h.biXPelsPerMeter = static_cast<std::int32_t>(detail::le32(p + 24));
    h.biYPelsPerMeter = static_cast<std::int32_t>(detail::le32(p + 28));
    h.biClrUsed = detail::le32(p + 32);
    h.biClrImportant = detail::le32(p + 36);
    *out = h;
    return true;
}

inline void writeHeader(const BitmapInfoHeader& h, void* dib) {
    auto* p = static_cast<unsigned char*>(dib);
    detail::put32(p, h.biSize);
    detail::put32(p + 4, static_cast<std::uint32_t>(h.biWidth));
    detail::put32(p + 8, static_cast<std::uint32_t>(h.biHeight));
    detail::put16(p + 12, h.biPlanes);
    detail::put16(p + 14, h.biBitCount);
    detail::put32(p + 16, h.biCompression);
    detail::put32(p + 20, h.biSizeImage);
    detail::put32(p + 24, static_cast<std::uint32_t>(h.biXPelsPerMeter));
    detail::put32(p + 28, static_cast<std::uint32_t>(h.biYPelsPerMeter));
    detail::put32(p + 32, h.biClrUsed);
    detail::put32(p + 36, h.biClrImportant);
}

// Colour-table entries (4 bytes each) that follow the header; bit-field
// bitmaps carry three masks in their place.
inline std::size_t colourTableBytes(const BitmapInfoHeader& h) {
    if (h.biCompression == kBiBitfields && (h.biBitCount == 16 || h.biBitCount == 32)) {
        return 12;
    }
    std::size_t entries = h.biClrUsed;
    if (entries == 0 && h.biBitCount >= 1 && h.biBitCount <= 8) {
        entries = std::size_t(1) << h.biBitCount;
    }
    return entries * 4;
}

// Bytes of the pixel rows: biSizeImage, or computed from the size when an
// uncompressed bitmap gives 0.
inline std::size_t imageBytes(const BitmapInfoHeader& h) {
    if (h.biSizeImage != 0) {
        return h.biSizeImage;
    }
    const std::int64_t height = h.biHeight < 0 ? -std::int64_t(h.biHeight) : h.biHeight;
    return rowBytes(h.biWidth, h.biBitCount) * static_cast<std::size_t>(height);
}

// Offset of the pixel rows from the start of the packed bitmap.
inline std::size_t bitsOffset(const BitmapInfoHeader& h) {
    return h.biSize + colourTableBytes(h);
}

// The whole packed bitmap's size in bytes: header, colour table and rows;
// 0 when the header cannot be read.
inline std::size_t packedDibSize(const void* dib) {
    BitmapInfoHeader h;
    if (!readHeader(dib, &h)) {
        return 0;
    }
    return bitsOffset(h) + imageBytes(h);
}

}  // namespace brindle::dib
