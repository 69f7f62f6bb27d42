#include "platform/ffmpeg/scaler.h"

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
    Sws sws(sws_getContext(frame.width, frame.height, source.format, width, height, format, flags,
                           nullptr, nullptr, nullptr));
    if (sws && source.fullRange) {
        int* inverse = nullptr;
        int* table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        sws_getColorspaceDetails(sws.get(), &inverse, &srcRange, &table, &dstRange, &brightness,
                                 &contrast, &saturation);
        sws_setColorspaceDetails(sws.get(), inverse, 1, table, 0, brightness, contrast, saturation);
    }
    return sws;
}

}  // namespace brindle::ff
