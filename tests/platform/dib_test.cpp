#include "platform/dib.h"

#include <gtest/gtest.h>

#include <vector>

namespace brindle::dib {
namespace {

std::vector<unsigned char> headerOnly(const BitmapInfoHeader& h) {
    std::vector<unsigned char> bytes(kInfoHeaderSize);
    writeHeader(h, bytes.data());
    return bytes;
}

TEST(PackedDib, HeaderIsFortyLittleEndianBytes) {
    BitmapInfoHeader h;
    h.biWidth = 0x0102;
    h.biHeight = -3;
    h.biBitCount = 24;
    h.biSizeImage = 0x01020304;
    const auto bytes = headerOnly(h);
    EXPECT_EQ(bytes[0], 40);
    EXPECT_EQ(bytes[4], 0x02);
    EXPECT_EQ(bytes[5], 0x01);
    EXPECT_EQ(bytes[8], 0xFD);  // -3, two's complement
    EXPECT_EQ(bytes[11], 0xFF);
    EXPECT_EQ(bytes[12], 1);  // planes
    EXPECT_EQ(bytes[14], 24);
    EXPECT_EQ(bytes[20], 0x04);
    BitmapInfoHeader back;
    ASSERT_TRUE(readHeader(bytes.data(), &back));
    EXPECT_EQ(back.biWidth, 0x0102);
    EXPECT_EQ(back.biHeight, -3);
    EXPECT_EQ(back.biSizeImage, 0x01020304u);
}

TEST(PackedDib, SizeCountsHeaderColourTableAndPaddedRows) {
    BitmapInfoHeader h;
    h.biWidth = 3;  // 9 bytes a row, padded to 12
    h.biHeight = 2;
    h.biBitCount = 24;
    EXPECT_EQ(packedDibSize(headerOnly(h).data()), 40u + 12 * 2) << "biSizeImage 0 is computed";
    h.biHeight = -2;  // top-down rows count the same
    EXPECT_EQ(packedDibSize(headerOnly(h).data()), 40u + 12 * 2);

    h.biBitCount = 8;  // a full 256-entry table when biClrUsed is 0
    h.biHeight = 2;
    EXPECT_EQ(packedDibSize(headerOnly(h).data()), 40u + 1024 + 4 * 2);
    h.biClrUsed = 16;
    EXPECT_EQ(packedDibSize(headerOnly(h).data()), 40u + 64 + 4 * 2);

    h = BitmapInfoHeader{};
    h.biWidth = 5;
    h.biHeight = 1;
    h.biBitCount = 32;
    h.biCompression = kBiBitfields;  // three masks
    EXPECT_EQ(packedDibSize(headerOnly(h).data()), 40u + 12 + 20);
    h.biSizeImage = 100;  // a stated image size wins
    EXPECT_EQ(packedDibSize(headerOnly(h).data()), 40u + 12 + 100);
}

TEST(PackedDib, NoHeaderNoSize) {
    EXPECT_EQ(packedDibSize(nullptr), 0u);
    BitmapInfoHeader h;
    h.biSize = 12;  // an old core header is not an info header
    EXPECT_EQ(packedDibSize(headerOnly(h).data()), 0u);
}

}  // namespace
}  // namespace brindle::dib
