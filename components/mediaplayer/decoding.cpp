#include "components/mediaplayer/decoding.h"

namespace brindle {

ff::Codec openDecoder(const AVStream* st) {
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    if (!codec) {
        return nullptr;
    }
    ff::Codec ctx(avcodec_alloc_context3(codec));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0) {
        return nullptr;
    }
    ctx->pkt_timebase = st->time_base;
    ctx->thread_count = 1;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) {
        return nullptr;
    }
    return ctx;
}

bool receiveFrame(AVFormatContext* in, AVCodecContext* dec, int stream, AVPacket* packet,
                  AVFrame* frame, bool& eof) {
    while (true) {
        const int rc = avcodec_receive_frame(dec, frame);
        if (rc >= 0) {
            return true;
        }
        if (rc == AVERROR_EOF || eof) {
            return false;
        }
        if (av_read_frame(in, packet) < 0) {
            eof = true;
            avcodec_send_packet(dec, nullptr);
            continue;
        }
        if (packet->stream_index == stream) {
            avcodec_send_packet(dec, packet);
        }
        av_packet_unref(packet);
    }
}

bool hasUsableTimestamps(const AVStream* st) {
    return st->codecpar->codec_id != AV_CODEC_ID_RA_144;
}

std::int64_t streamLengthMs(const AVFormatContext* fmt, const AVStream* st) {
    if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
        return av_rescale_q(st->duration, st->time_base, AVRational{1, 1000});
    }
    if (fmt->duration != AV_NOPTS_VALUE && fmt->duration > 0) {
        return fmt->duration / (AV_TIME_BASE / 1000);
    }
    return 0;
}

std::int64_t countedAudioLengthMs(const QString& path, int streamIndex) {
    ff::Input in = ff::openInput(path.toUtf8().constData());
    if (!in || streamIndex < 0 || streamIndex >= static_cast<int>(in->nb_streams)) {
        return 0;
    }
    const AVStream* st = in->streams[streamIndex];
    ff::Codec dec = openDecoder(st);
    if (!dec || dec->sample_rate <= 0) {
        return 0;
    }
    ff::Packet pkt = ff::makePacket();
    ff::Frame frame = ff::makeFrame();
    std::int64_t samples = 0;
    bool eof = false;
    while (receiveFrame(in.get(), dec.get(), streamIndex, pkt.get(), frame.get(), eof)) {
        samples += frame->nb_samples;
        av_frame_unref(frame.get());
    }
    return samples * 1000 / dec->sample_rate;
}

}  // namespace brindle
