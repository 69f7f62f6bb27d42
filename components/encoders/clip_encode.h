// One clip to one RealMedia file: its video scaled into the presentation's
// video region and encoded as RealVideo, and, unless the mode leaves it
// out, its sound encoded with the audience's sound codec.
#pragma once

#include "components/encoders/encode_job.h"
#include "platform/ffmpeg/handles.h"

#include <cstdint>
#include <string>

namespace brindle::encoders {

// The presentation's video region.
inline constexpr int kVideoRegionWidth = 176;
inline constexpr int kVideoRegionHeight = 132;

struct ClipSettings {
    std::string input;
    std::string output;
    std::int32_t targetAudience = 3;
    int videoCodec = 2;  // 1 rv10, else rv20
    std::int32_t videoQuality = 0;
    int mode = 2;  // MediaMode
};

struct FrameSize {
    int width = 0;
    int height = 0;
    bool operator==(const FrameSize&) const = default;
};

// The picture of a clip of width by height pixels of the given shape
// (sample aspect ratio; 0/1 for square pixels) fitted into the video region
// without enlarging it, each side a multiple of align (4 for rv20, 16 for
// rv10) and at least align.
FrameSize videoSizeFor(int width, int height, AVRational sampleAspect, int align);

// The rate control of a video quality setting.
struct VideoTuning {
    double keyFrameSeconds;
    int qmin;
    int qmax;
};
VideoTuning tuningFor(std::int32_t videoQuality);

// Runs the encode on the worker thread; every failure is reported and
// removes the output, as does an abort.
void encodeClip(const ClipSettings& settings, JobContext& job);

}  // namespace brindle::encoders
