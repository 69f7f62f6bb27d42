#include "platform/ffmpeg/decoder.h"

#include <algorithm>

namespace brindle::ff {

Codec openDecoder(const AVStream* stream, int threads, int* err) {
    int rc = AVERROR_DECODER_NOT_FOUND;
    Codec ctx;
    if (const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id)) {
        ctx.reset(avcodec_alloc_context3(codec));
        rc = ctx ? avcodec_parameters_to_context(ctx.get(), stream->codecpar) : AVERROR(ENOMEM);
        if (rc >= 0) {
            ctx->pkt_timebase = stream->time_base;
            ctx->thread_count = threads;
            rc = avcodec_open2(ctx.get(), codec, nullptr);
        }
    }
    if (err) {
        *err = rc < 0 ? rc : 0;
    }
    if (rc < 0) {
        ctx.reset();
    }
    return ctx;
}

int findDecodableStream(AVFormatContext* in, AVMediaType type) {
    const AVCodec* codec = nullptr;
    const int stream = av_find_best_stream(in, type, -1, -1, &codec, 0);
    return stream >= 0 && !codec ? AVERROR_DECODER_NOT_FOUND : stream;
}

OpenStream openBestStream(AVFormatContext* in, AVMediaType type, int threads) {
    OpenStream open;
    const int index = findDecodableStream(in, type);
    if (index < 0) {
        open.error = AVERROR_STREAM_NOT_FOUND;
        return open;
    }
    open.decoder = openDecoder(in->streams[index], threads, &open.error);
    if (open.decoder) {
        open.index = index;
    }
    return open;
}

void discardOtherStreams(AVFormatContext* in, std::initializer_list<int> keep) {
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        if (std::find(keep.begin(), keep.end(), static_cast<int>(i)) == keep.end()) {
            in->streams[i]->discard = AVDISCARD_ALL;
        }
    }
}

bool receiveFrame(AVFormatContext* in, AVCodecContext* decoder, int stream, AVPacket* packet,
                  AVFrame* frame, ReadState& state) {
    for (;;) {
        int rc = avcodec_receive_frame(decoder, frame);
        if (rc >= 0) {
            return true;
        }
        if (rc == AVERROR_EOF) {
            return false;
        }
        if (rc != AVERROR(EAGAIN)) {
            state.damaged = true;  // a broken frame: go on with the next packet
        }
        if (state.eof) {
            return false;
        }
        rc = av_read_frame(in, packet);
        if (rc < 0) {
            // The end, or a damaged tail: what the decoder holds still counts.
            state.damaged = state.damaged || rc != AVERROR_EOF;
            state.eof = true;
            avcodec_send_packet(decoder, nullptr);
            continue;
        }
        if (packet->stream_index == stream && avcodec_send_packet(decoder, packet) < 0) {
            state.damaged = true;
        }
        av_packet_unref(packet);
    }
}

}  // namespace brindle::ff
