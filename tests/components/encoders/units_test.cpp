// The choices the encoders make from their settings.
#include "components/encoders/audience.h"
#include "components/encoders/clip_encode.h"

#include <gtest/gtest.h>

namespace brindle::encoders {
namespace {

TEST(EncoderChoicesTest, VideoFitsTheRegionWithoutEnlarging) {
    EXPECT_EQ(videoSizeFor(640, 480, {0, 1}, 4), (FrameSize{176, 132}));
    EXPECT_EQ(videoSizeFor(320, 240, {1, 1}, 4), (FrameSize{176, 132}));
    EXPECT_EQ(videoSizeFor(160, 120, {0, 1}, 4), (FrameSize{160, 120}));
    EXPECT_EQ(videoSizeFor(1280, 720, {0, 1}, 4), (FrameSize{176, 96}));  // 99 rounded down
    EXPECT_EQ(videoSizeFor(480, 640, {0, 1}, 4), (FrameSize{96, 132}));   // 99 rounded down
    // Pixels wider than tall: 720x576 shows as 768x576.
    EXPECT_EQ(videoSizeFor(720, 576, {16, 15}, 4), (FrameSize{176, 132}));
    EXPECT_EQ(videoSizeFor(162, 118, {0, 1}, 4), (FrameSize{160, 116}));
    EXPECT_EQ(videoSizeFor(2, 2, {0, 1}, 4), (FrameSize{4, 4}));
    // RealVideo 1.0 takes multiples of 16 only.
    EXPECT_EQ(videoSizeFor(640, 480, {0, 1}, 16), (FrameSize{176, 128}));
}

TEST(EncoderChoicesTest, AudienceDecidesCodecAndRates) {
    EXPECT_EQ(audienceFor(0).sound, SoundCodec::Real144);
    EXPECT_EQ(audienceFor(2).sound, SoundCodec::Real144);
    EXPECT_EQ(audienceFor(3).sound, SoundCodec::Ac3);
    EXPECT_EQ(audienceFor(-7).videoBitRate, audienceFor(0).videoBitRate);
    EXPECT_EQ(audienceFor(99).videoBitRate, audienceFor(5).videoBitRate);
    // Sound, video and the 10 kbit/s pictures fit each link.
    for (int a = 0; a <= 5; ++a) {
        const Audience x = audienceFor(a);
        EXPECT_LE(x.soundBitRate + x.videoBitRate + 10000, x.connectionKbps * 1000) << a;
        if (a > 0) {
            EXPECT_GT(x.videoBitRate, audienceFor(a - 1).videoBitRate) << a;
        }
    }
}

TEST(EncoderChoicesTest, QualityTradesSharpnessForMotion) {
    EXPECT_LT(tuningFor(2).qmax, tuningFor(0).qmax);
    EXPECT_GT(tuningFor(1).qmin, tuningFor(0).qmin);
    EXPECT_EQ(tuningFor(42).qmax, tuningFor(0).qmax);
}

}  // namespace
}  // namespace brindle::encoders
