#include "platform/vfw/compressors.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace brindle::vfw {
namespace {

BitmapInfoHeader rgb(int w, int h) {
    BitmapInfoHeader in;
    in.biWidth = w;
    in.biHeight = h;
    in.biBitCount = 24;
    in.biSizeImage = static_cast<std::uint32_t>(frameBytes(in));
    return in;
}

std::vector<std::uint8_t> grey(const BitmapInfoHeader& h, std::uint8_t v) {
    return std::vector<std::uint8_t>(frameBytes(h), v);
}

TEST(Compressors, TheMpeg4HandlersAreInstalledWithTheirCase) {
    std::vector<std::string> handlers;
    for (const CompressorInfo& c : installedCompressors()) {
        handlers.push_back(fourccText(c.handler));
    }
    EXPECT_NE(std::find(handlers.begin(), handlers.end(), "zq5a"), handlers.end());
    EXPECT_NE(std::find(handlers.begin(), handlers.end(), "zq4a"), handlers.end());
    EXPECT_EQ(std::find(handlers.begin(), handlers.end(), "ZQ5A"), handlers.end());
}

TEST(Compressors, OpenByHandlerIgnoresCase) {
    auto upper = Compressor::open(fourccOf("ZQ5A"));
    ASSERT_TRUE(upper);
    EXPECT_EQ(fourccText(upper->info().handler), "zq5a");
    EXPECT_EQ(upper->info().aviTag, fourcc('F', 'M', 'P', '4'));
    EXPECT_FALSE(Compressor::open(fourccOf("qqqq")));
}

TEST(Compressors, EachMpeg4HandlerTakesOnlyItsOwnBlock) {
    auto zq5a = Compressor::open(fourccOf("zq5a"));
    auto zq4a = Compressor::open(fourccOf("zq4a"));
    ASSERT_TRUE(zq5a && zq4a);
    EXPECT_EQ(zq5a->configure(configBlock(false)), kIcOk);
    EXPECT_NE(zq5a->configure(configBlock(true)), kIcOk);
    EXPECT_EQ(zq4a->configure(configBlock(true)), kIcOk);
    EXPECT_NE(zq4a->configure(configBlock(false)), kIcOk);
    // The retry with offset 76 cleared is still the block.
    std::vector<std::uint8_t> retry = configBlock(false);
    dib::detail::put32(retry.data() + 76, 0);
    EXPECT_EQ(zq5a->configure(retry), kIcOk);
    // A short block is never read past its end.
    EXPECT_NE(zq5a->configure(std::span<const std::uint8_t>(retry.data(), 20)), kIcOk);
    // The block's layout.
    const std::vector<std::uint8_t> b = configBlock(false);
    ASSERT_EQ(b.size(), 88u);
    EXPECT_EQ(dib::detail::le32(b.data()), 88u);
    EXPECT_EQ(dib::detail::le32(b.data() + 8), 0x10005u);
    EXPECT_EQ(dib::detail::le32(b.data() + 20), 0x80000100u);
    EXPECT_EQ(dib::detail::le32(b.data() + 76), 1u);
    EXPECT_EQ(dib::detail::le32(configBlock(true).data() + 8), 0x10001u);
}

TEST(Compressors, OutputFormatAndQueries) {
    auto c = Compressor::open(fourccOf("zq5a"));
    ASSERT_TRUE(c);
    const BitmapInfoHeader in = rgb(160, 120);
    EXPECT_EQ(c->formatSize(in), 40u);
    BitmapInfoHeader out;
    ASSERT_EQ(c->getFormat(in, &out), kIcOk);
    EXPECT_EQ(out.biWidth, 160);
    EXPECT_EQ(out.biHeight, 120);
    EXPECT_EQ(out.biCompression, fourcc('F', 'M', 'P', '4'));
    EXPECT_EQ(c->query(in, out), kIcOk);
    BitmapInfoHeader palette = in;
    palette.biBitCount = 8;
    EXPECT_EQ(c->formatSize(palette), 0u);
    EXPECT_NE(c->getFormat(palette, &out), kIcOk);
}

TEST(Compressors, CompressesFramesKeyFramesOnRequest) {
    auto c = Compressor::open(fourccOf("zq5a"));
    ASSERT_TRUE(c);
    const BitmapInfoHeader in = rgb(160, 120);
    BitmapInfoHeader out;
    ASSERT_EQ(c->getFormat(in, &out), kIcOk);
    ASSERT_EQ(c->begin(in, out), kIcOk);
    std::vector<std::uint8_t> dest(c->maxCompressedSize(in));
    std::size_t written = 0;
    bool key = false;
    ASSERT_EQ(c->compress(grey(in, 90), true, 8500, 0, dest, &written, &key), kIcOk);
    EXPECT_GT(written, 0u);
    EXPECT_TRUE(key);
    ASSERT_EQ(c->compress(grey(in, 92), false, 8500, 1, dest, &written, &key), kIcOk);
    EXPECT_FALSE(key);
    // A frame shorter than its format is refused, not read past its end.
    std::vector<std::uint8_t> shortFrame(frameBytes(in) - 1, 0);
    EXPECT_NE(c->compress(shortFrame, false, 8500, 2, dest, &written, &key), kIcOk);
    // A destination too small for the frame is refused, not overrun.
    std::vector<std::uint8_t> tiny(4);
    EXPECT_NE(c->compress(grey(in, 200), true, 8500, 3, tiny, &written, &key), kIcOk);
    EXPECT_EQ(written, 0u);
}

TEST(Compressors, PlanarInputsCompressToo) {
    auto c = Compressor::open(fourccOf("zq4a"));
    ASSERT_TRUE(c);
    for (std::uint32_t code : {kFourccI420, kFourccYVU9}) {
        BitmapInfoHeader in = rgb(160, 120);
        in.biCompression = code;
        in.biBitCount = code == kFourccI420 ? 12 : 9;
        BitmapInfoHeader out;
        ASSERT_EQ(c->getFormat(in, &out), kIcOk);
        ASSERT_EQ(c->begin(in, out), kIcOk);
        std::vector<std::uint8_t> dest(c->maxCompressedSize(in));
        std::size_t written = 0;
        bool key = false;
        EXPECT_EQ(c->compress(grey(in, 128), true, 5000, 0, dest, &written, &key), kIcOk);
        EXPECT_GT(written, 0u);
        c->end();
    }
}

}  // namespace
}  // namespace brindle::vfw
