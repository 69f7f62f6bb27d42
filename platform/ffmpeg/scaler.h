// Scaling and converting decoded pictures. JPEG-coded video (MJPEG clips,
// camera snapshots) decodes to the full-range ("J") pixel formats, which the
// scaler only knows as their plain twins plus a full-range flag; without
// that flag black turns grey and white spills over.
#pragma once

#include "platform/ffmpeg/handles.h"

namespace brindle::ff {

// The plain twin of a full-range ("J") pixel format, and whether the frame's
// samples span the full range (the format says so, or the frame's range).
struct SourceFormat {
    AVPixelFormat format = AV_PIX_FMT_NONE;
    bool fullRange = false;
};
SourceFormat sourceFormat(AVPixelFormat format, AVColorRange range);

// A scaler from pictures of the frame's size, format and range to the given
// size and format (limited range for YUV); nullptr when the conversion is
// not possible.
Sws makeScaler(const AVFrame& frame, int width, int height, AVPixelFormat format, int flags);

}  // namespace brindle::ff
