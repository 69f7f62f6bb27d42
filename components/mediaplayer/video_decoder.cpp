#include "components/mediaplayer/video_decoder.h"

#include "components/mediaplayer/decoding.h"

#include <utility>

namespace brindle {
namespace {

// Beyond this distance ahead a seek is cheaper than decoding forward.
constexpr std::int64_t kSeekAheadMs = 3000;

}  // namespace

bool VideoDecoder::open(const QString& path) {
    m_dec.reset();
    m_in = ff::openInput(path.toUtf8().constData());
    if (!m_in) {
        return false;
    }
    ff::OpenStream picture = ff::openBestStream(m_in.get(), AVMEDIA_TYPE_VIDEO);
    if (!picture.decoder) {
        return false;
    }
    m_stream = picture.index;
    const AVStream* st = m_in->streams[m_stream];
    if (st->codecpar->width <= 0 || st->codecpar->height <= 0) {
        return false;
    }
    m_dec = std::move(picture.decoder);
    const AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    m_fps = rate.num > 0 && rate.den > 0 ? av_q2d(rate) : 15.0;
    m_startTs = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    m_packet = ff::makePacket();
    m_current = ff::makeFrame();
    m_next = ff::makeFrame();
    m_haveCurrent = m_haveNext = false;
    m_read = {};
    m_imageValid = false;
    // The first picture must decode, or the clip is of no use.
    if (!decodeNext()) {
        m_dec.reset();
        return false;
    }
    return true;
}

QSize VideoDecoder::size() const {
    if (!m_dec) {
        return {};
    }
    return {m_dec->width, m_dec->height};
}

std::int64_t VideoDecoder::frameMs(const AVFrame* f) const {
    std::int64_t ts = f->best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE) {
        ts = f->pts;
    }
    if (ts == AV_NOPTS_VALUE) {
        // No time at all: one frame period after the previous one.
        return m_haveCurrent ? m_currentMs + static_cast<std::int64_t>(1000 / m_fps) : 0;
    }
    return av_rescale_q(ts - m_startTs, m_in->streams[m_stream]->time_base, AVRational{1, 1000});
}

bool VideoDecoder::decodeNext() {
    m_haveNext =
        ff::receiveFrame(m_in.get(), m_dec.get(), m_stream, m_packet.get(), m_next.get(), m_read);
    if (m_haveNext) {
        m_nextMs = frameMs(m_next.get());
    }
    return m_haveNext;
}

bool VideoDecoder::seekTo(std::int64_t ms) {
    const AVStream* st = m_in->streams[m_stream];
    const std::int64_t ts = m_startTs + av_rescale_q(ms, AVRational{1, 1000}, st->time_base);
    if (av_seek_frame(m_in.get(), m_stream, ts, AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(m_in.get(), m_stream, m_startTs, AVSEEK_FLAG_BACKWARD) < 0) {
        return false;
    }
    avcodec_flush_buffers(m_dec.get());
    m_read = {};
    m_haveCurrent = false;
    m_imageValid = false;
    return decodeNext();
}

QImage VideoDecoder::frameAt(std::int64_t ms) {
    if (!m_dec) {
        return {};
    }
    const bool behind = m_haveCurrent && ms < m_currentMs;
    const bool farAhead = m_haveNext && ms > m_nextMs + kSeekAheadMs;
    if (behind || farAhead) {
        seekTo(ms);
        // A seek that lands after the time (a missing index) starts again
        // from the beginning.
        if (m_haveNext && m_nextMs > ms && ms > 0) {
            seekTo(0);
        }
    }
    while (m_haveNext && (!m_haveCurrent || m_nextMs <= ms)) {
        std::swap(m_current, m_next);
        m_currentMs = m_nextMs;
        m_haveCurrent = true;
        m_imageValid = false;
        av_frame_unref(m_next.get());
        decodeNext();
    }
    if (!m_haveCurrent) {
        return {};
    }
    if (!m_imageValid) {
        const AVFrame* f = m_current.get();
        m_sws.reset(sws_getCachedContext(m_sws.release(), f->width, f->height,
                                         static_cast<AVPixelFormat>(f->format), f->width, f->height,
                                         AV_PIX_FMT_BGRA, SWS_BILINEAR, nullptr, nullptr, nullptr));
        if (!m_sws) {
            return {};
        }
        m_image = QImage(f->width, f->height, QImage::Format_RGB32);
        std::uint8_t* dst[4] = {m_image.bits(), nullptr, nullptr, nullptr};
        const int dstStride[4] = {static_cast<int>(m_image.bytesPerLine()), 0, 0, 0};
        sws_scale(m_sws.get(), f->data, f->linesize, 0, f->height, dst, dstStride);
        m_imageValid = true;
    }
    return m_image;
}

}  // namespace brindle
