#include "platform/avi/cut_packets.h"

#include <algorithm>

namespace brindle::avi {
namespace {

bool isPcm(AVCodecID id) {
    return id >= AV_CODEC_ID_FIRST_AUDIO && id < AV_CODEC_ID_ADPCM_IMA_QT;
}

void discardAllBut(AVFormatContext* input, int keep) {
    for (unsigned i = 0; i < input->nb_streams; ++i) {
        input->streams[i]->discard =
            static_cast<int>(i) == keep ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
    }
}

}  // namespace

std::int64_t audioEndSample(AVStream* stream) {
    const AVCodecParameters* par = stream->codecpar;
    const int entries = avformat_index_get_entries_count(stream);
    if (entries <= 0 || par->sample_rate <= 0) {
        return -1;
    }
    const AVIndexEntry* e = avformat_index_get_entry(stream, entries - 1);
    if (!e) {
        return -1;
    }
    const AVRational perSample{1, par->sample_rate};
    std::int64_t end = av_rescale_q(e->timestamp, stream->time_base, perSample);
    if (isPcm(par->codec_id) && par->block_align > 0) {
        end += e->size / par->block_align;
    } else {
        // A packet's length is not in the index; allow for one more.
        end = av_rescale_q(e->timestamp + 1, stream->time_base, perSample);
    }
    return end;
}

// ---- video ----

VideoPackets::VideoPackets(ff::Input input, int streamIndex)
    : m_input(std::move(input)), m_index(streamIndex) {
    m_frames = VideoFrames::read(m_input.get(), m_index);
    discardAllBut(m_input.get(), m_index);
}

bool VideoPackets::seekTo(std::int64_t frame) {
    m_readDone = false;
    m_counter = frame;
    if (av_seek_frame(m_input.get(), m_index, frame, AVSEEK_FLAG_BACKWARD) >= 0) {
        return true;
    }
    m_counter = 0;
    return avformat_seek_file(m_input.get(), -1, INT64_MIN, 0, INT64_MAX, 0) >= 0;
}

bool VideoPackets::readVideo(AVPacket* pkt) {
    while (!m_readDone) {
        if (av_read_frame(m_input.get(), pkt) < 0) {
            m_readDone = true;
            break;
        }
        if (pkt->stream_index == m_index) {
            if (pkt->dts == AV_NOPTS_VALUE) {
                pkt->dts = pkt->pts != AV_NOPTS_VALUE ? pkt->pts : m_counter;
            }
            m_counter = pkt->dts + 1;
            return true;
        }
        av_packet_unref(pkt);
    }
    return false;
}

bool VideoPackets::feed(const AVPacket* pkt, std::string* why) {
    m_decoder.decode(pkt, [this](AVFrame* frame, std::int64_t number) {
        if (m_encodeFailed || number < m_plan.first || number >= m_encodeEnd) {
            return true;
        }
        if (!m_encoderOpen) {
            m_encoderOpen =
                m_encoder.open(stream()->codecpar, stream()->time_base, frame, &m_encodeError);
            if (!m_encoderOpen) {
                m_encodeFailed = true;
                return false;
            }
        }
        std::vector<ff::Packet> out;
        if (!m_encoder.encode(frame, number - m_plan.first, &out)) {
            m_encodeError = "encoding frame " + std::to_string(number) + " failed";
            m_encodeFailed = true;
            return false;
        }
        ++m_encoded;
        for (ff::Packet& p : out) {
            m_queue.push_back(std::move(p));
        }
        return true;
    });
    if (m_encodeFailed) {
        *why = m_encodeError;
        return false;
    }
    return true;
}

bool VideoPackets::finishEncoding(std::string* why) {
    if (!feed(nullptr, why)) {
        return false;
    }
    if (!m_encoderOpen) {
        *why = "none of the frames to encode decoded";
        return false;
    }
    std::vector<ff::Packet> out;
    if (!m_encoder.flush(&out)) {
        *why = "the encoder failed at the end";
        return false;
    }
    for (ff::Packet& p : out) {
        m_queue.push_back(std::move(p));
    }
    return true;
}

CutStatus VideoPackets::encodeLeading(const CutPlan& plan, const std::function<bool(int)>& progress,
                                      std::string* why) {
    m_plan = plan;
    m_encodeEnd = plan.copyFrom;
    std::string reason;
    if (!m_decoder.open(stream(), &reason)) {
        *why = reason;
        return CutStatus::CannotEncode;
    }
    if (!seekTo(plan.decodeFrom)) {
        *why = "cannot seek to frame " + std::to_string(plan.decodeFrom);
        return CutStatus::CannotEncode;
    }
    m_decoder.reset(plan.decodeFrom);
    const std::int64_t total = std::max<std::int64_t>(1, plan.encodedFrames());
    if (!progress(0)) {
        return CutStatus::Aborted;
    }
    ff::Packet pkt = ff::makePacket();
    while (readVideo(pkt.get())) {
        if (pkt->dts >= plan.copyFrom) {
            m_pending = std::move(pkt);  // the key frame the copy starts with
            break;
        }
        const bool fed = feed(pkt.get(), why);
        av_packet_unref(pkt.get());
        if (!fed) {
            return CutStatus::CannotEncode;
        }
        if (!progress(static_cast<int>(std::min<std::int64_t>(100, 100 * m_encoded / total)))) {
            return CutStatus::Aborted;
        }
    }
    if (!finishEncoding(why)) {
        return CutStatus::CannotEncode;
    }
    return progress(100) ? CutStatus::Ok : CutStatus::Aborted;
}

bool VideoPackets::start(const CutPlan& plan, std::string* why) {
    m_plan = plan;
    if (plan.leadingPass) {
        return true;  // encodeLeading left the reader at the first packet to copy
    }
    if (plan.copyFrom > plan.last) {
        // Everything is encoded as it is written.
        m_encodeEnd = plan.last + 1;
        if (!m_decoder.open(stream(), why)) {
            return false;
        }
        m_decoder.reset(plan.decodeFrom);
        if (!seekTo(plan.decodeFrom)) {
            *why = "cannot seek to frame " + std::to_string(plan.decodeFrom);
            return false;
        }
        return true;
    }
    if (!seekTo(plan.copyFrom)) {
        *why = "cannot seek to frame " + std::to_string(plan.copyFrom);
        return false;
    }
    return true;
}

int VideoPackets::next(AVPacket* out, std::string* why) {
    if (m_plan.copyFrom > m_plan.last) {
        // Encoding as we go: read until the encoder has something.
        ff::Packet pkt = ff::makePacket();
        while (m_queue.empty() && !m_readDone) {
            if (!readVideo(pkt.get()) || pkt->dts > m_plan.last) {
                av_packet_unref(pkt.get());
                m_readDone = true;
                if (!finishEncoding(why)) {
                    return -1;
                }
                break;
            }
            const bool fed = feed(pkt.get(), why);
            av_packet_unref(pkt.get());
            if (!fed) {
                return -1;
            }
        }
    }
    if (!m_queue.empty()) {
        av_packet_move_ref(out, m_queue.front().get());
        m_queue.pop_front();
        out->pts = out->dts;
        out->duration = 1;
        out->pos = -1;
        return 1;
    }
    if (m_plan.copyFrom > m_plan.last) {
        return 0;
    }
    for (;;) {
        if (m_pending) {
            av_packet_move_ref(out, m_pending.get());
            m_pending.reset();
        } else if (!readVideo(out)) {
            return 0;
        }
        if (out->dts > m_plan.last) {
            av_packet_unref(out);
            m_readDone = true;
            return 0;
        }
        if (out->dts < m_plan.copyFrom) {
            av_packet_unref(out);  // the seek landed before the key frame
            continue;
        }
        out->dts -= m_plan.first;
        out->pts = out->dts;
        out->duration = 1;
        out->pos = -1;
        ++m_copied;
        return 1;
    }
}

// ---- sound ----

AudioPackets::AudioPackets(ff::Input input, int streamIndex, std::int64_t fromSample,
                           std::int64_t toSample)
    : m_input(std::move(input)), m_index(streamIndex), m_from(fromSample), m_to(toSample) {
    const AVCodecParameters* par = stream()->codecpar;
    m_pcm = isPcm(par->codec_id) && par->block_align > 0;
    m_blockAlign = par->block_align;
    discardAllBut(m_input.get(), m_index);
    const std::int64_t ts = av_rescale_q(m_from, AVRational{1, sampleRate()}, stream()->time_base);
    if (av_seek_frame(m_input.get(), m_index, ts, AVSEEK_FLAG_BACKWARD) < 0) {
        avformat_seek_file(m_input.get(), -1, INT64_MIN, 0, INT64_MAX, 0);
    }
}

int AudioPackets::next(AVPacket* out) {
    const AVRational perSample{1, sampleRate()};
    while (!m_done) {
        if (av_read_frame(m_input.get(), out) < 0) {
            m_done = true;
            break;
        }
        if (out->stream_index != m_index) {
            av_packet_unref(out);
            continue;
        }
        const std::int64_t start = out->dts != AV_NOPTS_VALUE
                                       ? av_rescale_q(out->dts, stream()->time_base, perSample)
                                       : m_nextStart;
        std::int64_t length = m_pcm ? out->size / m_blockAlign
                                    : av_rescale_q(out->duration, stream()->time_base, perSample);
        length = std::max<std::int64_t>(length, m_pcm ? 0 : 1);
        const std::int64_t end = start + length;
        m_nextStart = end;
        if (start >= m_to) {
            av_packet_unref(out);
            m_done = true;
            break;
        }
        if (end <= m_from || length == 0) {
            av_packet_unref(out);
            continue;
        }
        std::int64_t outStart;
        if (m_pcm) {
            // Whole samples are cut out of the packet; no sample is changed.
            const std::int64_t from = std::max(start, m_from);
            const std::int64_t to = std::min(end, m_to);
            out->data += (from - start) * m_blockAlign;
            out->size = static_cast<int>((to - from) * m_blockAlign);
            out->duration = to - from;
            outStart = from - m_from;
            m_copied += to - from;
        } else {
            outStart = std::max<std::int64_t>(0, start - m_from);
            out->duration = length;
            ++m_copied;
        }
        outStart = std::max(outStart, m_lastOut + 1);
        m_lastOut = outStart;
        out->dts = out->pts = outStart;
        out->pos = -1;
        return 1;
    }
    return 0;
}

}  // namespace brindle::avi
