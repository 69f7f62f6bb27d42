#include "components/encoders/clip_encode.h"

#include "components/encoders/audience.h"
#include "components/encoders/encoder_ids.h"
#include "components/encoders/rm_writer.h"
#include "components/encoders/sound_encoder.h"
#include "platform/ffmpeg/decoder.h"
#include "platform/ffmpeg/scaler.h"

extern "C" {
#include <libavutil/imgutils.h>
}

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace brindle::encoders {

FrameSize videoSizeFor(int width, int height, AVRational sampleAspect, int align) {
    double shownWidth = width;
    if (sampleAspect.num > 0 && sampleAspect.den > 0) {
        shownWidth = width * av_q2d(sampleAspect);
    }
    const double scale =
        std::min({1.0, kVideoRegionWidth / shownWidth, double(kVideoRegionHeight) / height});
    auto side = [align](double v) {
        return std::max(align, static_cast<int>(std::floor(v / align + 1e-9)) * align);
    };
    return {side(shownWidth * scale), side(height * scale)};
}

VideoTuning tuningFor(std::int32_t videoQuality) {
    switch (videoQuality) {
        case VideoQualitySmoothMotion:
            return {10.0, 4, 31};
        case VideoQualitySharpPicture:
            return {2.0, 2, 10};
        default:
            return {5.0, 2, 31};
    }
}

namespace {

// One stream of the input with its decoder; video decodes on every core.
bool openDecoder(AVFormatContext* in, AVMediaType type, ff::OpenStream* d, std::string* why) {
    const bool video = type == AVMEDIA_TYPE_VIDEO;
    *d = ff::openBestStream(in, type, video ? ff::kAllCores : ff::kOneThread);
    if (d->error == AVERROR_STREAM_NOT_FOUND) {
        *why = video ? "holds no video that can be decoded" : "holds no sound that can be decoded";
    } else if (d->error < 0) {
        *why = "cannot be decoded: " + ff::errorText(d->error);
    }
    return d->index >= 0;
}

class ClipJob {
public:
    ClipJob(const ClipSettings& s, JobContext& job) : m_s(s), m_job(job) {}

    // False on failure (in *why) or abort (why->code 0).
    bool run(Failure* why);

private:
    bool openInput(Failure* why);
    bool openVideoEncoder(Failure* why);
    bool handleVideoFrame(AVFrame* frame, Failure* why);
    bool drain(ff::OpenStream& d, bool video, Failure* why);
    void reportProgress(std::int64_t pts);

    const ClipSettings& m_s;
    JobContext& m_job;
    ff::Input m_in;
    ff::OpenStream m_video, m_sound;
    ff::Codec m_enc;
    ff::Sws m_sws;
    ff::Frame m_scaled, m_frame;
    ff::Packet m_packet;
    RmWriter m_writer;
    std::optional<SoundEncoder> m_soundEnc;
    int m_videoStream = -1;
    int m_framesEncoded = 0;
    int m_srcWidth = 0, m_srcHeight = 0, m_srcFormat = -1;  // what the scaler was made for
    std::int64_t m_lastPts = AV_NOPTS_VALUE;
    std::int64_t m_startPts = AV_NOPTS_VALUE;
    std::int64_t m_duration = 0;  // of the video stream, in its time base
};

bool ClipJob::openInput(Failure* why) {
    int rc = 0;
    m_in = ff::openInput(m_s.input.c_str(), &rc);
    if (!m_in) {
        *why = {ErrorInput, "cannot read " + m_s.input + ": " + ff::errorText(rc)};
        return false;
    }
    std::string reason;
    const bool wantVideo = m_s.mode != MediaModeSoundOnly;
    const bool wantSound = m_s.mode != MediaModeVideoOnly;
    if (wantVideo && !openDecoder(m_in.get(), AVMEDIA_TYPE_VIDEO, &m_video, &reason)) {
        *why = {ErrorInput, m_s.input + " " + reason};
        return false;
    }
    if (wantSound && !openDecoder(m_in.get(), AVMEDIA_TYPE_AUDIO, &m_sound, &reason) &&
        m_s.mode == MediaModeSoundOnly) {
        *why = {ErrorInput, m_s.input + " " + reason};
        return false;
    }
    ff::discardOtherStreams(m_in.get(), {m_video.index, m_sound.index});
    return true;
}

bool ClipJob::openVideoEncoder(Failure* why) {
    const AVStream* st = m_in->streams[m_video.index];
    const AVCodecContext* dec = m_video.decoder.get();
    const bool rv10 = m_s.videoCodec == 1;
    const AVCodec* codec = avcodec_find_encoder_by_name(rv10 ? "rv10" : "rv20");
    if (!codec) {
        *why = {ErrorEncoder, rv10 ? "no rv10 encoder" : "no rv20 encoder"};
        return false;
    }
    AVRational rate = av_guess_frame_rate(m_in.get(), const_cast<AVStream*>(st), nullptr);
    if (rate.num <= 0 || rate.den <= 0) {
        rate = {15, 1};
    }
    AVRational tb{1, 1};
    av_reduce(&tb.num, &tb.den, rate.den, rate.num, 65535);
    const FrameSize size = videoSizeFor(
        dec->width, dec->height,
        st->sample_aspect_ratio.num ? st->sample_aspect_ratio : dec->sample_aspect_ratio,
        rv10 ? 16 : 4);
    const Audience audience = audienceFor(m_s.targetAudience);
    const VideoTuning tuning = tuningFor(m_s.videoQuality);

    m_enc.reset(avcodec_alloc_context3(codec));
    m_enc->width = size.width;
    m_enc->height = size.height;
    m_enc->pix_fmt = AV_PIX_FMT_YUV420P;
    m_enc->time_base = tb;
    m_enc->framerate = av_inv_q(tb);
    m_enc->bit_rate = audience.videoBitRate;
    m_enc->gop_size =
        std::max(1, static_cast<int>(std::lround(tuning.keyFrameSeconds / av_q2d(tb))));
    m_enc->qmin = tuning.qmin;
    m_enc->qmax = tuning.qmax;
    m_enc->max_b_frames = 0;
    m_enc->sample_aspect_ratio = {1, 1};
    const int rc = avcodec_open2(m_enc.get(), codec, nullptr);
    if (rc < 0) {
        *why = {ErrorEncoder,
                std::string("cannot open the ") + codec->name + " encoder: " + ff::errorText(rc)};
        return false;
    }
    m_scaled = ff::makeFrame();
    m_scaled->format = AV_PIX_FMT_YUV420P;
    m_scaled->width = size.width;
    m_scaled->height = size.height;
    if (av_frame_get_buffer(m_scaled.get(), 0) < 0) {
        *why = {ErrorEncoder, "out of memory"};
        return false;
    }
    m_duration = st->duration != AV_NOPTS_VALUE
                     ? st->duration
                     : av_rescale_q(m_in->duration, AV_TIME_BASE_Q, st->time_base);
    m_videoStream = m_writer.addStream(m_enc.get(), why);
    return m_videoStream >= 0;
}

void ClipJob::reportProgress(std::int64_t pts) {
    if (m_duration > 0 && pts != AV_NOPTS_VALUE) {
        const std::int64_t start = m_startPts == AV_NOPTS_VALUE ? 0 : m_startPts;
        m_job.progress(
            static_cast<int>(std::clamp<std::int64_t>((pts - start) * 100 / m_duration, 0, 100)));
    }
}

bool ClipJob::handleVideoFrame(AVFrame* frame, Failure* why) {
    const AVStream* st = m_in->streams[m_video.index];
    if (!m_sws || frame->width != m_srcWidth || frame->height != m_srcHeight ||
        frame->format != m_srcFormat) {
        m_srcWidth = frame->width;
        m_srcHeight = frame->height;
        m_srcFormat = frame->format;
        m_sws = ff::makeScaler(*frame, m_scaled->width, m_scaled->height, AV_PIX_FMT_YUV420P,
                               SWS_BICUBIC);
    }
    if (!m_sws || av_frame_make_writable(m_scaled.get()) < 0) {
        *why = {ErrorEncoder, "cannot scale the video"};
        return false;
    }
    sws_scale(m_sws.get(), frame->data, frame->linesize, 0, frame->height, m_scaled->data,
              m_scaled->linesize);
    // Timestamps from the clip where it has them; a frame without one, or
    // one out of order, follows the one before.
    std::int64_t pts = frame->best_effort_timestamp;
    if (pts != AV_NOPTS_VALUE && m_startPts == AV_NOPTS_VALUE) {
        m_startPts = pts;
    }
    reportProgress(pts);
    std::int64_t encPts = pts == AV_NOPTS_VALUE
                              ? AV_NOPTS_VALUE
                              : av_rescale_q(pts - m_startPts, st->time_base, m_enc->time_base);
    if (encPts == AV_NOPTS_VALUE || (m_lastPts != AV_NOPTS_VALUE && encPts <= m_lastPts)) {
        encPts = m_lastPts == AV_NOPTS_VALUE ? 0 : m_lastPts + 1;
    }
    m_lastPts = encPts;
    m_scaled->pts = encPts;
    ++m_framesEncoded;
    return m_writer.encode(m_videoStream, m_scaled.get(), why);
}

bool ClipJob::drain(ff::OpenStream& d, bool video, Failure* why) {
    for (;;) {
        const int rc = avcodec_receive_frame(d.decoder.get(), m_frame.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return true;
        }
        if (rc < 0) {
            return true;  // a broken frame is left out
        }
        bool ok = true;
        if (video) {
            ok = handleVideoFrame(m_frame.get(), why);
        } else if (m_soundEnc) {
            ok = m_soundEnc->push(m_frame->extended_data, m_frame->nb_samples, why);
        }
        av_frame_unref(m_frame.get());
        if (!ok) {
            return false;
        }
    }
}

bool ClipJob::run(Failure* why) {
    if (!openInput(why) || !m_writer.open(m_s.output, why)) {
        return false;
    }
    if (m_video.index >= 0 && !openVideoEncoder(why)) {
        return false;
    }
    if (m_sound.index >= 0) {
        const AVCodecContext* dec = m_sound.decoder.get();
        const Audience audience = audienceFor(m_s.targetAudience);
        m_soundEnc.emplace();
        if (!m_soundEnc->open(audience.sound, audience.soundBitRate,
                              {dec->sample_rate, dec->sample_fmt, dec->ch_layout.nb_channels},
                              m_writer, why)) {
            return false;
        }
    }
    if (!m_writer.writeHeader(why)) {
        return false;
    }
    m_frame = ff::makeFrame();
    m_packet = ff::makePacket();
    for (;;) {
        if (m_job.abortRequested()) {
            *why = {};
            return false;
        }
        const int rc = av_read_frame(m_in.get(), m_packet.get());
        if (rc < 0) {
            break;  // the end, or a damaged tail: encode what was read
        }
        ff::OpenStream* d = m_packet->stream_index == m_video.index   ? &m_video
                            : m_packet->stream_index == m_sound.index ? &m_sound
                                                                      : nullptr;
        if (d) {
            avcodec_send_packet(d->decoder.get(), m_packet.get());  // a broken packet is skipped
        }
        av_packet_unref(m_packet.get());
        if (d && !drain(*d, d == &m_video, why)) {
            return false;
        }
    }
    for (ff::OpenStream* d : {&m_video, &m_sound}) {
        if (d->index >= 0) {
            avcodec_send_packet(d->decoder.get(), nullptr);
            if (!drain(*d, d == &m_video, why)) {
                return false;
            }
        }
    }
    if (m_enc && !m_writer.encode(m_videoStream, nullptr, why)) {
        return false;
    }
    if (m_soundEnc && !m_soundEnc->finish(why)) {
        return false;
    }
    if (m_enc && m_framesEncoded == 0) {
        *why = {ErrorInput, m_s.input + ": not one picture could be decoded"};
        return false;
    }
    if (!m_writer.finish(why)) {
        return false;
    }
    m_job.progress(100);
    return true;
}

}  // namespace

void encodeClip(const ClipSettings& settings, JobContext& job) {
    ClipJob clip(settings, job);
    Failure failure;
    if (!clip.run(&failure) && failure.code != 0) {
        job.error(failure);
    }
}

}  // namespace brindle::encoders
