#include "components/encoders/sound_encoder.h"

#include "components/encoders/encoder_ids.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

#include <array>

namespace brindle::encoders {

namespace {

int ac3RateFor(int inputRate) {
    for (int rate : std::array{32000, 44100, 48000}) {
        if (inputRate <= rate) {
            return rate;
        }
    }
    return 48000;
}

}  // namespace

SoundEncoder::~SoundEncoder() {
    if (m_scratch) {
        av_freep(&m_scratch[0]);
        av_freep(&m_scratch);
    }
}

bool SoundEncoder::open(SoundCodec codec, int bitRate, const SoundFormat& input, RmWriter& out,
                        Failure* why) {
    const char* name = codec == SoundCodec::Real144 ? "real_144" : "ac3";
    const AVCodec* encoder = avcodec_find_encoder_by_name(name);
    if (!encoder) {
        *why = {ErrorEncoder, std::string("no ") + name + " encoder"};
        return false;
    }
    m_enc.reset(avcodec_alloc_context3(encoder));
    int channels = 1;
    if (codec == SoundCodec::Real144) {
        m_enc->sample_rate = 8000;
        m_enc->sample_fmt = AV_SAMPLE_FMT_S16;
        m_enc->bit_rate = 8000;
    } else {
        m_enc->sample_rate = ac3RateFor(input.rate);
        m_enc->sample_fmt = AV_SAMPLE_FMT_FLTP;
        m_enc->bit_rate = bitRate;
        channels = input.channels >= 2 ? 2 : 1;
    }
    av_channel_layout_default(&m_enc->ch_layout, channels);
    m_enc->time_base = {1, m_enc->sample_rate};
    int rc = avcodec_open2(m_enc.get(), encoder, nullptr);
    if (rc < 0) {
        *why = {ErrorEncoder,
                std::string("cannot open the ") + name + " encoder: " + ff::errorText(rc)};
        return false;
    }

    AVChannelLayout inLayout;
    av_channel_layout_default(&inLayout, input.channels);
    SwrContext* swr = nullptr;
    rc = swr_alloc_set_opts2(&swr, &m_enc->ch_layout, m_enc->sample_fmt, m_enc->sample_rate,
                             &inLayout, input.format, input.rate, 0, nullptr);
    m_swr.reset(swr);
    if (rc >= 0) {
        av_opt_set_double(m_swr.get(), "rematrix_maxval", 1.0, 0);  // stereo folds without clipping
        rc = swr_init(m_swr.get());
    }
    if (rc < 0) {
        *why = {ErrorEncoder,
                "cannot convert the sound for " + std::string(name) + ": " + ff::errorText(rc)};
        return false;
    }
    if (m_enc->frame_size <= 0) {
        m_enc->frame_size = 1024;  // a codec that takes frames of any size
    }
    m_fifo.reset(av_audio_fifo_alloc(m_enc->sample_fmt, channels, 4 * m_enc->frame_size));
    m_frame = ff::makeFrame();
    m_frame->nb_samples = m_enc->frame_size;
    m_frame->format = m_enc->sample_fmt;
    m_frame->sample_rate = m_enc->sample_rate;
    av_channel_layout_copy(&m_frame->ch_layout, &m_enc->ch_layout);
    if (!m_fifo || av_frame_get_buffer(m_frame.get(), 0) < 0) {
        *why = {ErrorEncoder, "out of memory"};
        return false;
    }
    m_stream = out.addStream(m_enc.get(), why);
    m_out = &out;
    return m_stream >= 0;
}

bool SoundEncoder::convert(const std::uint8_t* const* data, int frames, Failure* why) {
    const int room = swr_get_out_samples(m_swr.get(), frames);
    if (room > m_scratchFrames) {
        if (m_scratch) {
            av_freep(&m_scratch[0]);
            av_freep(&m_scratch);
        }
        int linesize = 0;
        if (av_samples_alloc_array_and_samples(&m_scratch, &linesize, m_enc->ch_layout.nb_channels,
                                               room, m_enc->sample_fmt, 0) < 0) {
            m_scratchFrames = 0;
            *why = {ErrorEncoder, "out of memory"};
            return false;
        }
        m_scratchFrames = room;
    }
    const int got = swr_convert(m_swr.get(), m_scratch, m_scratchFrames,
                                const_cast<const std::uint8_t**>(data), frames);
    if (got < 0) {
        *why = {ErrorEncoder, "sound conversion failed: " + ff::errorText(got)};
        return false;
    }
    if (got > 0 &&
        av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(m_scratch), got) < got) {
        *why = {ErrorEncoder, "out of memory"};
        return false;
    }
    return true;
}

bool SoundEncoder::push(const std::uint8_t* const* data, int frames, Failure* why) {
    return convert(data, frames, why) && encodeFrames(false, why);
}

bool SoundEncoder::encodeFrames(bool flush, Failure* why) {
    const int frameSize = m_enc->frame_size;
    while (av_audio_fifo_size(m_fifo.get()) >= frameSize ||
           (flush && av_audio_fifo_size(m_fifo.get()) > 0)) {
        if (av_frame_make_writable(m_frame.get()) < 0) {
            *why = {ErrorEncoder, "out of memory"};
            return false;
        }
        const int got = av_audio_fifo_read(
            m_fifo.get(), reinterpret_cast<void**>(m_frame->extended_data), frameSize);
        int samples = got;
        if (got < frameSize) {
            if (m_enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) {
                samples = got;
            } else {
                av_samples_set_silence(m_frame->extended_data, got, frameSize - got,
                                       m_enc->ch_layout.nb_channels, m_enc->sample_fmt);
                samples = frameSize;
            }
        }
        m_frame->nb_samples = samples;
        m_frame->pts = m_pts;
        m_pts += samples;
        const bool sent = m_out->encode(m_stream, m_frame.get(), why);
        m_frame->nb_samples = frameSize;
        if (!sent) {
            return false;
        }
    }
    return true;
}

bool SoundEncoder::finish(Failure* why) {
    if (!convert(nullptr, 0, why) || !encodeFrames(true, why)) {
        return false;
    }
    return m_out->encode(m_stream, nullptr, why);
}

}  // namespace brindle::encoders
