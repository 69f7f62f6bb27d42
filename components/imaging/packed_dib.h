// Pictures handed over in memory as packed device-independent bitmaps: a
// little-endian info header (biSize, biWidth, biHeight, biPlanes,
// biBitCount, biCompression, biSizeImage, ..., biClrUsed), a colour table of
// B,G,R,0 quads, then the rows, each padded to 4 bytes, in B,G,R(,X) order,
// bottom-up for a positive height and top-down for a negative one.
//
// Nothing in the header is trusted: the layout is checked before any pixel
// is read, and sizes beyond what a picture can sensibly have are refused.
#pragma once

#include <QImage>

#include <cstddef>
#include <optional>

namespace brindle::dib {

// Largest accepted width or height, and largest pixel count.
constexpr int kMaxSide = 32768;
constexpr qint64 kMaxPixels = qint64(64) << 20;

struct Layout {
    int width = 0;
    int height = 0;  // always positive
    bool topDown = false;
    int bitCount = 0;             // 8, 24 or 32
    int paletteEntries = 0;       // colour table quads that follow the header
    std::size_t pixelOffset = 0;  // from the start of the header
    std::size_t stride = 0;       // bytes per row, padded to 4
    std::size_t totalBytes = 0;   // header, colour table and rows
};

// Checks the header at `data`, of which `available` bytes may be read. It
// answers nothing for what this reader does not take: a header size other
// than 40, 108 or 124 bytes, planes other than 1, bit counts other than 8,
// 24 and 32, any compression, an empty or too large picture, a colour table
// of more than 256 entries, or a declared image size (when not 0) smaller
// than the rows need.
std::optional<Layout> readLayout(const uchar* data, std::size_t available);

// Decodes a packed bitmap of `size` bytes: 8-bit pictures keep their colour
// table (Indexed8; indices past it are black), 24-bit ones become RGB888
// and 32-bit ones RGB32 (the fourth byte is unused). A null image when the
// layout is refused or needs more bytes than there are.
QImage decode(const uchar* data, std::size_t size);

// Decodes a packed bitmap whose extent is known only from its own header,
// as when only its address is handed over. The header is checked first; at
// most Layout::totalBytes are read.
QImage decodeAt(const uchar* data);

}  // namespace brindle::dib
