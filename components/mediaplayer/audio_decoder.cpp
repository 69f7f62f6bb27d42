#include "components/mediaplayer/audio_decoder.h"

#include "components/mediaplayer/decoding.h"

#include <algorithm>
#include <cstring>

namespace brindle {

bool AudioDecoder::open(const QString& path, int rate, int channels) {
    m_path = path;
    m_dec.reset();
    m_in.reset();
    if (!openStream()) {
        m_dec.reset();
        return false;
    }
    m_rate = rate > 0 ? rate : m_dec->sample_rate;
    m_channels = channels > 0 ? channels : std::clamp(m_dec->ch_layout.nb_channels, 1, 2);
    return true;
}

bool AudioDecoder::openStream() {
    m_in = ff::openInput(m_path.toUtf8().constData());
    if (!m_in) {
        return false;
    }
    ff::OpenStream sound = ff::openBestStream(m_in.get(), AVMEDIA_TYPE_AUDIO);
    m_stream = sound.index;
    m_dec = std::move(sound.decoder);
    if (!m_dec || m_dec->sample_rate <= 0 || m_dec->ch_layout.nb_channels <= 0) {
        return false;
    }
    m_timestamps = hasUsableTimestamps(m_in->streams[m_stream]);
    m_swr.reset();
    m_packet = ff::makePacket();
    m_frame = ff::makeFrame();
    m_pending.clear();
    m_pendingPos = 0;
    m_read = {};
    return true;
}

int AudioDecoder::read(float* out, int frames) {
    if (!m_dec) {
        return 0;
    }
    int done = 0;
    while (done < frames) {
        const std::size_t available = (m_pending.size() - m_pendingPos) / m_channels;
        if (available == 0) {
            m_pending.clear();
            m_pendingPos = 0;
            if (!decodeMore()) {
                break;
            }
            continue;
        }
        const std::size_t n = std::min<std::size_t>(available, frames - done);
        std::memcpy(out + static_cast<std::size_t>(done) * m_channels,
                    m_pending.data() + m_pendingPos, n * m_channels * sizeof(float));
        m_pendingPos += n * m_channels;
        done += static_cast<int>(n);
    }
    return done;
}

// Decodes the next frame into m_pending; false at the end of the stream.
bool AudioDecoder::decodeMore() {
    while (ff::receiveFrame(m_in.get(), m_dec.get(), m_stream, m_packet.get(), m_frame.get(),
                            m_read)) {
        convert(m_frame.get());
        av_frame_unref(m_frame.get());
        if (!m_pending.empty()) {
            return true;
        }
    }
    // Whatever the resampler still holds.
    convert(nullptr);
    return !m_pending.empty();
}

void AudioDecoder::convert(const AVFrame* frame) {
    if (frame && !m_swr) {
        AVChannelLayout inLayout{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&inLayout, frame->ch_layout.nb_channels);
        } else {
            av_channel_layout_copy(&inLayout, &frame->ch_layout);
        }
        AVChannelLayout outLayout{};
        av_channel_layout_default(&outLayout, m_channels);
        SwrContext* raw = nullptr;
        const int rc = swr_alloc_set_opts2(&raw, &outLayout, AV_SAMPLE_FMT_FLT, m_rate, &inLayout,
                                           static_cast<AVSampleFormat>(frame->format),
                                           frame->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&inLayout);
        av_channel_layout_uninit(&outLayout);
        m_swr.reset(raw);
        if (rc < 0 || swr_init(m_swr.get()) < 0) {
            m_swr.reset();
        }
    }
    if (!m_swr) {
        return;
    }
    if (frame && m_seekTargetMs >= 0) {
        // The first frame after a seek tells where the stream landed.
        std::int64_t landedMs = 0;
        if (m_timestamps && frame->best_effort_timestamp != AV_NOPTS_VALUE) {
            landedMs = av_rescale_q(frame->best_effort_timestamp,
                                    m_in->streams[m_stream]->time_base, AVRational{1, 1000});
        }
        m_skipFrames = std::max<std::int64_t>(0, (m_seekTargetMs - landedMs) * m_rate / 1000);
        m_seekTargetMs = -1;
    }
    const int inSamples = frame ? frame->nb_samples : 0;
    const int capacity = swr_get_out_samples(m_swr.get(), inSamples);
    if (capacity <= 0) {
        return;
    }
    m_pending.resize(static_cast<std::size_t>(capacity) * m_channels);
    auto* outPtr = reinterpret_cast<std::uint8_t*>(m_pending.data());
    const int got = swr_convert(
        m_swr.get(), &outPtr, capacity,
        frame ? const_cast<const std::uint8_t**>(frame->extended_data) : nullptr, inSamples);
    m_pending.resize(static_cast<std::size_t>(std::max(got, 0)) * m_channels);
    m_pendingPos = 0;
    if (m_skipFrames > 0) {
        const std::int64_t drop = std::min<std::int64_t>(
            m_skipFrames, static_cast<std::int64_t>(m_pending.size()) / m_channels);
        m_pendingPos = static_cast<std::size_t>(drop) * m_channels;
        m_skipFrames -= drop;
        if (m_pendingPos == m_pending.size()) {
            m_pending.clear();
            m_pendingPos = 0;
        }
    }
}

bool AudioDecoder::seek(std::int64_t ms) {
    if (!m_dec) {
        return false;
    }
    ms = std::max<std::int64_t>(ms, 0);
    bool moved = false;
    if (m_timestamps) {
        const AVStream* st = m_in->streams[m_stream];
        const std::int64_t ts = av_rescale_q(ms, AVRational{1, 1000}, st->time_base);
        moved = av_seek_frame(m_in.get(), m_stream, ts, AVSEEK_FLAG_BACKWARD) >= 0;
        if (moved) {
            avcodec_flush_buffers(m_dec.get());
            m_swr.reset();
            m_pending.clear();
            m_pendingPos = 0;
            m_read = {};
        }
    }
    if (!moved && !openStream()) {
        m_dec.reset();
        return false;
    }
    m_skipFrames = 0;
    m_seekTargetMs = ms;
    return true;
}

}  // namespace brindle
