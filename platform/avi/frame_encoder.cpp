#include "platform/avi/frame_encoder.h"

#include "platform/ffmpeg/writer.h"

namespace brindle::avi {

namespace {
constexpr int kKeyFrameEvery = 15;
constexpr int kBestQuantiser = 2;  // the top of the quality scale
}  // namespace

bool FrameEncoder::open(const AVCodecParameters* source, AVRational timeBase, const AVFrame* sample,
                        std::string* why) {
    const AVCodec* codec = avcodec_find_encoder(source->codec_id);
    if (!codec) {
        *why = std::string("no encoder for ") + avcodec_get_name(source->codec_id);
        return false;
    }
    ff::Codec ctx(avcodec_alloc_context3(codec));
    if (!ctx) {
        *why = "out of memory";
        return false;
    }
    const auto frameFormat = static_cast<AVPixelFormat>(sample->format);
    AVPixelFormat format = frameFormat;
    if (codec->pix_fmts) {
        format = avcodec_find_best_pix_fmt_of_list(codec->pix_fmts, frameFormat, 0, nullptr);
    }
    ctx->width = sample->width;
    ctx->height = sample->height;
    ctx->pix_fmt = format;
    ctx->sample_aspect_ratio = sample->sample_aspect_ratio;
    ctx->time_base = timeBase;
    ctx->framerate = av_inv_q(timeBase);
    ctx->gop_size = kKeyFrameEvery;
    ctx->max_b_frames = 0;
    ctx->flags |= AV_CODEC_FLAG_QSCALE;
    ctx->global_quality = FF_QP2LAMBDA * kBestQuantiser;
    ctx->bit_rate = source->bit_rate;
    ctx->bits_per_coded_sample = source->bits_per_coded_sample;
    ctx->color_range = sample->color_range;
    ctx->thread_count = 0;  // as many slices as there are cores
    const int rc = avcodec_open2(ctx.get(), codec, nullptr);
    if (rc < 0) {
        *why = std::string("cannot open the ") + codec->name + " encoder: " + ff::errorText(rc);
        return false;
    }
    m_codec = std::move(ctx);
    m_work = ff::makeFrame();
    m_packet = ff::makePacket();
    m_first = true;
    return true;
}

bool FrameEncoder::encode(const AVFrame* frame, std::int64_t number, std::vector<ff::Packet>* out) {
    AVCodecContext* c = m_codec.get();
    av_frame_unref(m_work.get());
    if (frame->format != c->pix_fmt || frame->width != c->width || frame->height != c->height) {
        m_sws.reset(sws_getCachedContext(
            m_sws.release(), frame->width, frame->height, static_cast<AVPixelFormat>(frame->format),
            c->width, c->height, c->pix_fmt, SWS_BICUBIC, nullptr, nullptr, nullptr));
        m_work->format = c->pix_fmt;
        m_work->width = c->width;
        m_work->height = c->height;
        if (!m_sws || av_frame_get_buffer(m_work.get(), 0) < 0 ||
            sws_scale(m_sws.get(), frame->data, frame->linesize, 0, frame->height, m_work->data,
                      m_work->linesize) != c->height) {
            return false;
        }
    } else if (av_frame_ref(m_work.get(), frame) < 0) {
        return false;
    }
    m_work->pts = number;
    // The decoder's picture types mean nothing to the encoder, except that
    // the cut must start on a key frame.
    m_work->pict_type = m_first ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    m_first = false;
    return collect(m_work.get(), out);
}

bool FrameEncoder::flush(std::vector<ff::Packet>* out) {
    return collect(nullptr, out);
}

bool FrameEncoder::collect(const AVFrame* frame, std::vector<ff::Packet>* out) {
    const ff::Status status =
        ff::encode(m_codec.get(), frame, m_packet.get(), [out](AVPacket* coded) {
            ff::Packet kept = ff::makePacket();
            av_packet_move_ref(kept.get(), coded);
            if (kept->dts == AV_NOPTS_VALUE) {
                kept->dts = kept->pts;
            }
            out->push_back(std::move(kept));
            return ff::Status{};
        });
    return status.ok();
}

}  // namespace brindle::avi
