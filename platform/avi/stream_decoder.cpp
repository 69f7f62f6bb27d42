#include "platform/avi/stream_decoder.h"

#include "platform/ffmpeg/decoder.h"

namespace brindle::avi {

bool StreamDecoder::open(const AVStream* stream, std::string* why) {
    // One thread: frames come out in order, one packet in, one frame out.
    int rc = 0;
    ff::Codec ctx = ff::openDecoder(stream, ff::kOneThread, &rc);
    if (!ctx) {
        *why = rc == AVERROR_DECODER_NOT_FOUND
                   ? "no decoder for the video stream"
                   : "cannot open the video decoder: " + ff::errorText(rc);
        return false;
    }
    m_codec = std::move(ctx);
    m_frame = ff::makeFrame();
    m_next = 0;
    return true;
}

bool StreamDecoder::decode(const AVPacket* packet, const Sink& sink) {
    if (avcodec_send_packet(m_codec.get(), packet) < 0 && packet) {
        return true;  // a damaged packet: the next key frame recovers
    }
    for (;;) {
        const int rc = avcodec_receive_frame(m_codec.get(), m_frame.get());
        if (rc < 0) {
            return true;  // EAGAIN, EOF or a decoding error
        }
        std::int64_t number = m_frame->best_effort_timestamp;
        if (number == AV_NOPTS_VALUE) {
            number = m_next;
        }
        m_next = number + 1;
        const bool more = sink(m_frame.get(), number);
        av_frame_unref(m_frame.get());
        if (!more) {
            return false;
        }
    }
}

void StreamDecoder::reset(std::int64_t nextNumber) {
    if (m_codec) {
        avcodec_flush_buffers(m_codec.get());
    }
    m_next = nextNumber;
}

}  // namespace brindle::avi
