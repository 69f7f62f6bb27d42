// The full-range fix-up: JPEG-coded pictures keep their black and white
// when converted to the limited range the encoders take.
#include "platform/ffmpeg/scaler.h"

#include <gtest/gtest.h>

#include <cstring>

namespace brindle::ff {
namespace {

constexpr int kSide = 32;

// Left half black, right half white, in the given format and range.
Frame halves(AVPixelFormat format, AVColorRange range, int black, int white) {
    Frame f = makeFrame();
    f->format = format;
    f->width = kSide;
    f->height = kSide;
    f->color_range = range;
    av_frame_get_buffer(f.get(), 0);
    for (int y = 0; y < kSide; ++y) {
        std::uint8_t* row = f->data[0] + y * f->linesize[0];
        std::memset(row, black, kSide / 2);
        std::memset(row + kSide / 2, white, kSide / 2);
    }
    for (int plane = 1; plane < 3; ++plane) {
        for (int y = 0; y < kSide / 2; ++y) {
            std::memset(f->data[plane] + y * f->linesize[plane], 128, kSide / 2);
        }
    }
    return f;
}

// The luma of the converted picture at the middle of each half.
std::pair<int, int> convertedLuma(const AVFrame& in, int side) {
    Sws sws = makeScaler(in, side, side, AV_PIX_FMT_YUV420P, SWS_BICUBIC);
    EXPECT_NE(sws, nullptr);
    if (!sws) {
        return {-1, -1};
    }
    Frame out = makeFrame();
    out->format = AV_PIX_FMT_YUV420P;
    out->width = side;
    out->height = side;
    av_frame_get_buffer(out.get(), 0);
    sws_scale(sws.get(), in.data, in.linesize, 0, in.height, out->data, out->linesize);
    const std::uint8_t* row = out->data[0] + (side / 2) * out->linesize[0];
    return {row[side / 4], row[3 * side / 4]};
}

TEST(Scaler, FullRangePicturesMapOntoTheLimitedRange) {
    // At the same size (where the scaler would merely copy), smaller and
    // larger; a "J" format and a plain one flagged full range alike.
    for (const int side : {kSide, kSide / 2, kSide * 2}) {
        for (const Frame& full : {halves(AV_PIX_FMT_YUVJ420P, AVCOL_RANGE_UNSPECIFIED, 0, 255),
                                  halves(AV_PIX_FMT_YUV420P, AVCOL_RANGE_JPEG, 0, 255)}) {
            const auto [black, white] = convertedLuma(*full, side);
            EXPECT_NEAR(black, 16, 1) << "format " << full->format << " at " << side;
            EXPECT_NEAR(white, 235, 1) << "format " << full->format << " at " << side;
        }
        // Limited-range pictures keep their levels.
        const auto [black, white] =
            convertedLuma(*halves(AV_PIX_FMT_YUV420P, AVCOL_RANGE_MPEG, 16, 235), side);
        EXPECT_NEAR(black, 16, 1) << side;
        EXPECT_NEAR(white, 235, 1) << side;
    }
}

}  // namespace
}  // namespace brindle::ff
