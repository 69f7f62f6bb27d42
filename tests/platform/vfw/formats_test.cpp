#include "platform/vfw/formats.h"
#include "platform/vfw/device_input.h"

#include <gtest/gtest.h>

namespace brindle::vfw {
namespace {

TEST(CaptureFormats, FrameBytesPerPixelFormat) {
    // 24-bit rows are padded to 4 bytes; the planar formats round their
    // chroma planes up.
    EXPECT_EQ(frameBytes(320, 240, dib::kBiRgb, 24), 320u * 3 * 240);
    EXPECT_EQ(frameBytes(5, 2, dib::kBiRgb, 24), 16u * 2);
    EXPECT_EQ(frameBytes(320, -240, dib::kBiRgb, 24), 320u * 3 * 240);
    EXPECT_EQ(frameBytes(320, 240, kFourccI420, 12), 320u * 240 * 3 / 2);
    EXPECT_EQ(frameBytes(5, 3, kFourccI420, 12), 15u + 2 * 3 * 2);
    EXPECT_EQ(frameBytes(320, 240, kFourccYVU9, 9), 320u * 240 + 2 * 80 * 60);
}

TEST(CaptureFormats, SizesADeviceMayNotHandOver) {
    EXPECT_EQ(frameBytes(0, 240, dib::kBiRgb, 24), 0u);
    EXPECT_EQ(frameBytes(320, 0, dib::kBiRgb, 24), 0u);
    EXPECT_EQ(frameBytes(-320, 240, dib::kBiRgb, 24), 0u);
    // Large enough to overflow 32 bits: refused, not wrapped.
    EXPECT_EQ(frameBytes(70000, 70000, dib::kBiRgb, 24), 0u);
    EXPECT_EQ(frameBytes(kMaxFrameSide, kMaxFrameSide, dib::kBiRgb, 24),
              std::uint64_t(kMaxFrameSide) * 3 * kMaxFrameSide);
    EXPECT_EQ(frameBytes(320, 240, dib::kBiRgb, 16), 0u);
    EXPECT_EQ(frameBytes(320, 240, fourcc('M', 'J', 'P', 'G'), 24), 0u);
}

TEST(CaptureFormats, WaveFormatDerivedFieldsAndValidity) {
    WaveFormat f;
    f.samplesPerSec = 11205;
    f.bitsPerSample = 16;
    f.channels = 2;
    f.recompute();
    EXPECT_EQ(f.blockAlign, 4);
    EXPECT_EQ(f.avgBytesPerSec, 44820u);
    EXPECT_TRUE(f.valid());
    const auto b = f.bytes();
    EXPECT_EQ(b[0], 1);
    EXPECT_EQ(b[2], 2);
    EXPECT_EQ(dib::detail::le32(b.data() + 4), 11205u);
    EXPECT_EQ(dib::detail::le16(b.data() + 12), 4);

    WaveFormat none = f;
    none.channels = 0;
    none.recompute();
    EXPECT_FALSE(none.valid());  // 0 bytes a second: would be divided by
    WaveFormat odd = f;
    odd.bitsPerSample = 12;
    odd.recompute();
    EXPECT_FALSE(odd.valid());
    WaveFormat still = f;
    still.samplesPerSec = 0;
    still.recompute();
    EXPECT_FALSE(still.valid());
}

TEST(CaptureFormats, FourccTextRoundTrip) {
    EXPECT_EQ(fourccOf("zq5a"), fourcc('z', 'q', '5', 'a'));
    EXPECT_EQ(fourccText(fourccOf("I420")), "I420");
    EXPECT_EQ(fourccOf("zq5a-extra"), fourccOf("zq5a"));
    EXPECT_EQ(fourccText(0), "");
}

TEST(CaptureFormats, SixteenBitSamplesBecomeUnsignedBytes) {
    const std::int16_t s[] = {-32768, 0, 32767, 256};
    EXPECT_EQ(pcmFromS16(s, 4, 8), (std::vector<std::uint8_t>{0, 128, 255, 129}));
    EXPECT_EQ(pcmFromS16(s, 2, 16), (std::vector<std::uint8_t>{0x00, 0x80, 0x00, 0x00}));
}

}  // namespace
}  // namespace brindle::vfw
