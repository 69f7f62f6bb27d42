#include "components/mediaplayer/decoding.h"

namespace brindle {

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
    ff::Codec dec = ff::openDecoder(st);
    if (!dec || dec->sample_rate <= 0) {
        return 0;
    }
    ff::Packet pkt = ff::makePacket();
    ff::Frame frame = ff::makeFrame();
    std::int64_t samples = 0;
    ff::ReadState read;
    while (ff::receiveFrame(in.get(), dec.get(), streamIndex, pkt.get(), frame.get(), read)) {
        samples += frame->nb_samples;
        av_frame_unref(frame.get());
    }
    return samples * 1000 / dec->sample_rate;
}

}  // namespace brindle
