// Packed bitmaps as the clip control hands them over, written byte by byte
// here; and the headers that must be refused before any pixel is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "components/imaging/image_control.h"
#include "components/imaging/packed_dib.h"

namespace brindle {
namespace {

struct Header {
    qint32 size = 40, width = 3, height = 2;
    quint16 planes = 1, bitCount = 24;
    quint32 compression = 0, sizeImage = 0, colorsUsed = 0;
};

void put(QByteArray& out, quint32 v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.append(char((v >> (8 * i)) & 0xFF));
    }
}

QByteArray header(const Header& h) {
    QByteArray out;
    put(out, quint32(h.size), 4);
    put(out, quint32(h.width), 4);
    put(out, quint32(h.height), 4);
    put(out, h.planes, 2);
    put(out, h.bitCount, 2);
    put(out, h.compression, 4);
    put(out, h.sizeImage, 4);
    put(out, 2835, 4);  // 72 dpi
    put(out, 2835, 4);
    put(out, h.colorsUsed, 4);
    put(out, 0, 4);
    out.append(QByteArray(std::clamp(h.size, 40, 124) - 40, '\0'));  // rest of a longer header
    return out;
}

// A 3 x 2 picture, 24 bits: rows of 9 bytes padded to 12, B,G,R order.
// Row "top" holds red, green, blue; row "bottom" white, black, grey.
QByteArray rows24(bool topDown) {
    const QByteArray top("\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00\xAA\xAA\xAA", 12);
    const QByteArray bottom("\xFF\xFF\xFF\x00\x00\x00\x80\x80\x80\xBB\xBB\xBB", 12);
    return topDown ? top + bottom : bottom + top;
}

void expectSixColours(const QImage& image) {
    ASSERT_EQ(image.size(), QSize(3, 2));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 255, 0));
    EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(0, 1), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 1), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(2, 1), qRgb(128, 128, 128));
}

TEST(PackedDib, ReadsBottomUpAndTopDown24BitRows) {
    const QByteArray bottomUp = header(Header()) + rows24(false);
    expectSixColours(dib::decode(reinterpret_cast<const uchar*>(bottomUp.constData()),
                                 std::size_t(bottomUp.size())));
    Header h;
    h.height = -2;
    h.sizeImage = 24;
    const QByteArray topDown = header(h) + rows24(true);
    const QImage image = dib::decode(reinterpret_cast<const uchar*>(topDown.constData()),
                                     std::size_t(topDown.size()));
    expectSixColours(image);
    EXPECT_EQ(image.format(), QImage::Format_RGB888);

    // A larger header and an unused colour table are skipped over.
    h.size = 124;
    h.colorsUsed = 2;
    const QByteArray v5 = header(h) + QByteArray(8, '\x7F') + rows24(true);
    expectSixColours(
        dib::decode(reinterpret_cast<const uchar*>(v5.constData()), std::size_t(v5.size())));
}

TEST(PackedDib, ReadsPaletteAnd32BitPictures) {
    Header h;
    h.bitCount = 8;
    h.colorsUsed = 2;
    h.width = 3;
    h.height = 1;
    // Palette: 0 = blue, 1 = yellow; index 7 lies past the table.
    const QByteArray palette("\xFF\x00\x00\x00\x00\xFF\xFF\x00", 8);
    const QByteArray indexed = header(h) + palette + QByteArray("\x01\x00\x07\x00", 4);
    const QImage image = dib::decode(reinterpret_cast<const uchar*>(indexed.constData()),
                                     std::size_t(indexed.size()));
    ASSERT_EQ(image.format(), QImage::Format_Indexed8);
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 0));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(2, 0), qRgb(0, 0, 0));

    h = Header();
    h.bitCount = 32;
    h.width = 2;
    h.height = 1;
    const QByteArray wide = header(h) + QByteArray("\x10\x20\x30\x00\x40\x50\x60\xFF", 8);
    const QImage rgb =
        dib::decode(reinterpret_cast<const uchar*>(wide.constData()), std::size_t(wide.size()));
    ASSERT_EQ(rgb.size(), QSize(2, 1));
    EXPECT_EQ(rgb.pixel(0, 0), qRgb(0x30, 0x20, 0x10));
    EXPECT_EQ(rgb.pixel(1, 0), qRgb(0x60, 0x50, 0x40));
}

TEST(PackedDib, RefusesHeadersItCannotTrust) {
    auto refused = [](Header h, int extraBytes = 64) {
        const QByteArray bytes = header(h) + QByteArray(extraBytes, '\0');
        return dib::decode(reinterpret_cast<const uchar*>(bytes.constData()),
                           std::size_t(bytes.size()))
            .isNull();
    };
    auto with = [](auto change) {
        Header h;
        change(h);
        return h;
    };
    EXPECT_FALSE(refused(Header()));
    const struct {
        const char* what;
        Header header;
        int extraBytes;
    } cases[] = {
        {"old header size", with([](Header& h) { h.size = 12; }), 64},
        {"huge header size", with([](Header& h) { h.size = 1 << 30; }), 64},
        {"two planes", with([](Header& h) { h.planes = 2; }), 64},
        {"16 bits", with([](Header& h) { h.bitCount = 16; }), 64},
        {"1 bit", with([](Header& h) { h.bitCount = 1; }), 64},
        {"run-length", with([](Header& h) { h.compression = 1; }), 64},
        {"bit fields", with([](Header& h) { h.compression = 3; }), 64},
        {"no width", with([](Header& h) { h.width = 0; }), 64},
        {"negative width", with([](Header& h) { h.width = -3; }), 64},
        {"no height", with([](Header& h) { h.height = 0; }), 64},
        {"lowest height", with([](Header& h) { h.height = INT_MIN; }), 64},
        {"too wide", with([](Header& h) { h.width = 40000; }), 64},
        {"400 Mpixels", with([](Header& h) { h.width = h.height = 20000; }), 64},
        {"300 colours", with([](Header& h) { h.bitCount = 8, h.colorsUsed = 300; }), 2000},
        {"image size below the rows", with([](Header& h) { h.sizeImage = 23; }), 64},
        {"bytes end early", Header(), 23},
        // 8 bits with no count means a full table of 256 entries.
        {"8 bits, table cut", with([](Header& h) { h.bitCount = 8; }), 1000},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(refused(c.header, c.extraBytes)) << c.what;
    }
    EXPECT_FALSE(refused(with([](Header& h) { h.bitCount = 8; }), 1032));
    EXPECT_TRUE(dib::decode(nullptr, 100).isNull());
    EXPECT_TRUE(dib::decodeAt(nullptr).isNull());
}

TEST(PackedDib, TheControlTakesABitmapByAddressAndKeepsItsImageOnRefusal) {
    const QByteArray bytes = header(Header()) + rows24(false);
    ImageControl worker;
    ASSERT_EQ(worker.setDib(reinterpret_cast<quintptr>(bytes.constData())), ImageStatus::Ok);
    expectSixColours(worker.image());

    Header bad;
    bad.bitCount = 4;
    const QByteArray refused = header(bad) + rows24(false);
    EXPECT_EQ(worker.setDib(reinterpret_cast<quintptr>(refused.constData())),
              ImageStatus::InvalidArgument);
    EXPECT_EQ(worker.setDib(quintptr(0)), ImageStatus::InvalidArgument);
    EXPECT_EQ(worker.setDib(bytes.constData(), std::size_t(bytes.size()) - 1),
              ImageStatus::InvalidArgument);
    expectSixColours(worker.image());
}

}  // namespace
}  // namespace brindle
