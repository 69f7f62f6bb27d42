// Owning handles for FFmpeg's C objects, opening a file for reading and a
// readable text for FFmpeg's error codes. Header only, so code that merely
// holds these handles needs nothing but FFmpeg itself.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

namespace brindle::ff {

struct InputDeleter {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct OutputDeleter {
    void operator()(AVFormatContext* c) const {
        if (c && c->pb && !(c->oformat->flags & AVFMT_NOFILE)) {
            avio_closep(&c->pb);
        }
        avformat_free_context(c);
    }
};
struct CodecDeleter {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameDeleter {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketDeleter {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsDeleter {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrDeleter {
    void operator()(SwrContext* s) const { swr_free(&s); }
};

using Input = std::unique_ptr<AVFormatContext, InputDeleter>;    // avformat_open_input
using Output = std::unique_ptr<AVFormatContext, OutputDeleter>;  // avformat_alloc_output_context2
using Codec = std::unique_ptr<AVCodecContext, CodecDeleter>;
using Frame = std::unique_ptr<AVFrame, FrameDeleter>;
using Packet = std::unique_ptr<AVPacket, PacketDeleter>;
using Sws = std::unique_ptr<SwsContext, SwsDeleter>;
using Swr = std::unique_ptr<SwrContext, SwrDeleter>;

inline Frame makeFrame() {
    return Frame(av_frame_alloc());
}
inline Packet makePacket() {
    return Packet(av_packet_alloc());
}

// Opens a file for reading and finds its streams; nullptr on failure, with
// FFmpeg's error code in *err when given.
inline Input openInput(const char* path, int* err = nullptr) {
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, path, nullptr, nullptr);
    if (rc >= 0) {
        Input in(raw);
        rc = avformat_find_stream_info(in.get(), nullptr);
        if (rc >= 0) {
            if (err) {
                *err = 0;
            }
            return in;
        }
    }
    if (err) {
        *err = rc;
    }
    return nullptr;
}

inline std::string errorText(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

}  // namespace brindle::ff
