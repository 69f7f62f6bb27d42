#include "platform/ffmpeg/scaler.h"

extern "C" {
#include <libavutil/opt.h>
}

#include <cstdint>
#include <utility>

namespace brindle::ff {

SourceFormat sourceFormat(AVPixelFormat format, AVColorRange range) {
    switch (format) {
        case AV_PIX_FMT_YUVJ420P:
            return {AV_PIX_FMT_YUV420P, true};
        case AV_PIX_FMT_YUVJ422P:
            return {AV_PIX_FMT_YUV422P, true};
        case AV_PIX_FMT_YUVJ444P:
            return {AV_PIX_FMT_YUV444P, true};
        case AV_PIX_FMT_YUVJ440P:
            return {AV_PIX_FMT_YUV440P, true};
        case AV_PIX_FMT_YUVJ411P:
            return {AV_PIX_FMT_YUV411P, true};
        default:
            return {format, range == AVCOL_RANGE_JPEG};
    }
}

Sws makeScaler(const AVFrame& frame, int width, int height, AVPixelFormat format, int flags) {
    const SourceFormat source =
        sourceFormat(static_cast<AVPixelFormat>(frame.format), frame.color_range);
    // The ranges are set before the scaler is set up: it picks a plain copy
    // for pictures that need neither scaling nor converting, and a range
    // set afterwards would not reach that copy.
    Sws sws(sws_alloc_context());
    if (!sws) {
        return nullptr;
    }
    const std::pair<const char*, std::int64_t> options[] = {
        {"srcw", frame.width},
        {"srch", frame.height},
        {"src_format", source.format},
        {"src_range", source.fullRange ? 1 : 0},
        {"dstw", width},
        {"dsth", height},
        {"dst_format", format},
        {"dst_range", 0},
        {"sws_flags", flags},
    };
    for (const auto& [name, value] : options) {
        if (av_opt_set_int(sws.get(), name, value, 0) < 0) {
            return nullptr;
        }
    }
    if (sws_init_context(sws.get(), nullptr, nullptr) < 0) {
        return nullptr;
    }
    return sws;
}

}  // namespace brindle::ff
