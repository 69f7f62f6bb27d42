// Opening a stream's decoder and pulling decoded frames out of a file: the
// steps every reader of audio or video goes through.
#pragma once

#include "platform/ffmpeg/handles.h"

#include <initializer_list>

namespace brindle::ff {

// Decoder threads: one keeps frames coming out in order, one for each packet
// sent; 0 lets FFmpeg use as many as there are cores.
inline constexpr int kOneThread = 1;
inline constexpr int kAllCores = 0;

// A decoder for the stream, opened with its parameters and time base;
// nullptr on failure, with FFmpeg's error code in *err when given
// (AVERROR_DECODER_NOT_FOUND when FFmpeg has no decoder for the codec).
Codec openDecoder(const AVStream* stream, int threads = kOneThread, int* err = nullptr);

// The best stream of the type among those FFmpeg can decode; a negative
// error code when there is none.
int findDecodableStream(AVFormatContext* in, AVMediaType type);

// A stream of a file with its decoder open.
struct OpenStream {
    int index = -1;  // -1 unless the decoder is open
    Codec decoder;
    // Why not: AVERROR_STREAM_NOT_FOUND when the file holds no stream of the
    // type that FFmpeg can decode, else the decoder's own failure.
    int error = 0;
};

// The best stream of the type that FFmpeg can decode, with its decoder open.
OpenStream openBestStream(AVFormatContext* in, AVMediaType type, int threads = kOneThread);

// Tells the demuxer to skip every stream but the ones listed (negative
// indexes are ignored), so reading passes their packets over cheaply.
void discardOtherStreams(AVFormatContext* in, std::initializer_list<int> keep);

// Where a frame-by-frame read of one stream stands: whether the file's end
// has been reached, and whether anything on the way could not be read or
// decoded and was left out.
struct ReadState {
    bool eof = false;
    bool damaged = false;
};

// Feeds the stream's packets to its decoder until a frame comes out; false
// once the decoder is drained at the end of the file. A damaged packet or
// frame is passed over and noted in state. After a seek, reset state.eof
// and flush the decoder before reading on.
bool receiveFrame(AVFormatContext* in, AVCodecContext* decoder, int stream, AVPacket* packet,
                  AVFrame* frame, ReadState& state);

}  // namespace brindle::ff
