// How long a stream plays: shared by the length query and the decoders.
#pragma once

#include "platform/ffmpeg/decoder.h"

#include <QString>

#include <cstdint>

namespace brindle {

// False for audio streams whose packets carry no timestamps worth reading
// (RealAudio 1.0 in RealMedia writes every packet at time 0).
bool hasUsableTimestamps(const AVStream* st);

// Length in milliseconds from the stream's own duration, or the container's
// when the stream has none; 0 when neither is known.
std::int64_t streamLengthMs(const AVFormatContext* fmt, const AVStream* st);

// Length in milliseconds of an audio stream found by decoding every packet
// and counting samples; 0 when it cannot be decoded.
std::int64_t countedAudioLengthMs(const QString& path, int streamIndex);

}  // namespace brindle
