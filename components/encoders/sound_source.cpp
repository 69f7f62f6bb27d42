#include "components/encoders/sound_source.h"

#include "components/encoders/encoder_ids.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cstring>

namespace brindle::encoders {

int SoundSource::open(const std::string& path, std::string* why) {
    int rc = 0;
    m_in = ff::openInput(path.c_str(), &rc);
    if (!m_in) {
        *why = "cannot read " + path + ": " + ff::errorText(rc);
        return RefusedUnreadable;
    }
    ff::OpenStream sound = ff::openBestStream(m_in.get(), AVMEDIA_TYPE_AUDIO);
    if (!sound.decoder) {
        *why = sound.error == AVERROR_STREAM_NOT_FOUND
                   ? path + " holds no sound that can be decoded"
                   : "cannot decode the sound of " + path + ": " + ff::errorText(sound.error);
        return RefusedNoAudio;
    }
    m_stream = sound.index;
    m_dec = std::move(sound.decoder);
    ff::discardOtherStreams(m_in.get(), {m_stream});
    m_frame = ff::makeFrame();
    m_packet = ff::makePacket();
    if (!nextFrame()) {
        *why = path + " holds no sound that can be decoded";
        return RefusedNoAudio;
    }
    m_haveFrame = true;
    return 0;
}

bool SoundSource::sameFormat(const AVFrame& frame) const {
    return frame.format == m_inFormat && frame.sample_rate == m_inRate &&
           av_channel_layout_compare(&frame.ch_layout, &m_inLayout) == 0;
}

bool SoundSource::setOutput(int rate, int channels, std::string* why) {
    m_outRate = rate;
    m_outChannels = channels;
    m_inFormat = m_frame->format;
    m_inRate = m_frame->sample_rate;
    av_channel_layout_uninit(&m_inLayout);
    av_channel_layout_copy(&m_inLayout, &m_frame->ch_layout);
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, channels);
    SwrContext* swr = nullptr;
    int rc = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_FLT, rate, &m_frame->ch_layout,
                                 static_cast<AVSampleFormat>(m_frame->format), m_frame->sample_rate,
                                 0, nullptr);
    m_swr.reset(swr);
    if (rc >= 0) {
        // Folding stereo to mono averages the channels rather than adding
        // them, so a loud stereo track does not clip in a mono mix.
        av_opt_set_double(m_swr.get(), "rematrix_maxval", 1.0, 0);
        rc = swr_init(m_swr.get());
    }
    if (rc < 0) {
        *why = "cannot resample the sound: " + ff::errorText(rc);
        return false;
    }
    return true;
}

bool SoundSource::nextFrame() {
    return ff::receiveFrame(m_in.get(), m_dec.get(), m_stream, m_packet.get(), m_frame.get(),
                            m_read);
}

bool SoundSource::appendConverted(const AVFrame* frame) {
    const int inFrames = frame ? frame->nb_samples : 0;
    const int room = swr_get_out_samples(m_swr.get(), inFrames);
    if (room <= 0) {
        return true;
    }
    // Read samples are dropped first, so the buffer only holds what is due.
    m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_readPos));
    m_readPos = 0;
    const std::size_t old = m_buffer.size();
    m_buffer.resize(old + static_cast<std::size_t>(room) * m_outChannels);
    auto* out = reinterpret_cast<std::uint8_t*>(m_buffer.data() + old);
    const int got = swr_convert(
        m_swr.get(), &out, room,
        frame ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr, inFrames);
    m_buffer.resize(old + static_cast<std::size_t>(std::max(got, 0)) * m_outChannels);
    return got >= 0;
}

bool SoundSource::decodeMore() {
    if (m_finished) {
        return false;
    }
    if (m_haveFrame || nextFrame()) {
        m_haveFrame = false;
        if (!sameFormat(*m_frame)) {
            // The sound changes its format part way: finish with the old
            // converter, go on with a new one.
            appendConverted(nullptr);
            std::string why;
            if (!setOutput(m_outRate, m_outChannels, &why)) {
                m_damaged = true;
                m_finished = true;
                return true;
            }
        }
        if (!appendConverted(m_frame.get())) {
            m_damaged = true;
        }
        av_frame_unref(m_frame.get());
        return true;
    }
    // The end: what the resampler still holds.
    appendConverted(nullptr);
    m_finished = true;
    return true;
}

int SoundSource::read(float* out, int frames) {
    int done = 0;
    while (done < frames) {
        const std::size_t available = (m_buffer.size() - m_readPos) / m_outChannels;
        if (available == 0) {
            if (!decodeMore()) {
                break;
            }
            continue;
        }
        const int n = static_cast<int>(std::min<std::size_t>(available, frames - done));
        std::memcpy(out + static_cast<std::size_t>(done) * m_outChannels,
                    m_buffer.data() + m_readPos, sizeof(float) * n * m_outChannels);
        m_readPos += static_cast<std::size_t>(n) * m_outChannels;
        done += n;
    }
    return done;
}

}  // namespace brindle::encoders
