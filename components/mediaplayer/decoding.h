// Small FFmpeg helpers shared by the length query and the decoders: opening a
// stream's decoder and telling how long a stream plays.
#pragma once

#include "platform/ffmpeg.h"

#include <QString>

#include <cstdint>

namespace brindle {

// A decoder for the stream, opened with its parameters; nullptr when FFmpeg
// has none for its codec or refuses to open it.
ff::Codec openDecoder(const AVStream* st);

// Feeds the stream's packets to its decoder until a frame comes out; false
// once the decoder is drained at the end of the file. A damaged packet is
// passed over. `eof` keeps whether the file's end has been read.
bool receiveFrame(AVFormatContext* in, AVCodecContext* dec, int stream, AVPacket* packet,
                  AVFrame* frame, bool& eof);

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
