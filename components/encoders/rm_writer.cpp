#include "components/encoders/rm_writer.h"

#include "components/encoders/encoder_ids.h"

#include <cstdio>

namespace brindle::encoders {

RmWriter::~RmWriter() {
    discard();
}

bool RmWriter::open(const std::string& path, Failure* why) {
    discard();
    AVFormatContext* raw = nullptr;
    int rc = avformat_alloc_output_context2(&raw, nullptr, "rm", path.c_str());
    if (rc < 0 || !raw) {
        *why = {ErrorOutput, "no RealMedia muxer: " + ff::errorText(rc)};
        return false;
    }
    m_out.reset(raw);
    rc = avio_open(&m_out->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (rc < 0) {
        m_out.reset();
        *why = {ErrorOutput, "cannot write " + path + ": " + ff::errorText(rc)};
        return false;
    }
    m_path = path;
    return true;
}

int RmWriter::addStream(const AVCodecContext* encoder, Failure* why) {
    AVStream* st = avformat_new_stream(m_out.get(), nullptr);
    if (!st) {
        *why = {ErrorOutput, "cannot add a stream"};
        return -1;
    }
    const int rc = avcodec_parameters_from_context(st->codecpar, encoder);
    if (rc < 0) {
        *why = {ErrorOutput, "stream parameters: " + ff::errorText(rc)};
        return -1;
    }
    st->time_base = encoder->time_base;
    if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        st->avg_frame_rate = encoder->framerate;
    }
    return st->index;
}

bool RmWriter::writeHeader(Failure* why) {
    const int rc = avformat_write_header(m_out.get(), nullptr);
    if (rc < 0) {
        *why = {ErrorOutput, "cannot write the RealMedia header: " + ff::errorText(rc)};
        return false;
    }
    m_headerWritten = true;
    return true;
}

bool RmWriter::write(AVPacket* packet, int stream, AVRational encoderTimeBase, Failure* why) {
    if (packet->size > kMaxRealMediaPacket) {
        *why = {ErrorPacketTooLarge, "a coded frame of " + std::to_string(packet->size) +
                                         " bytes is more than RealMedia can carry"};
        av_packet_unref(packet);
        return false;
    }
    packet->stream_index = stream;
    av_packet_rescale_ts(packet, encoderTimeBase, m_out->streams[stream]->time_base);
    const int rc = av_interleaved_write_frame(m_out.get(), packet);
    if (rc < 0) {
        *why = {ErrorOutput, "cannot write " + m_path + ": " + ff::errorText(rc)};
        return false;
    }
    return true;
}

bool RmWriter::encode(AVCodecContext* encoder, const AVFrame* frame, AVPacket* packet, int stream,
                      Failure* why) {
    int rc = avcodec_send_frame(encoder, frame);
    while (rc >= 0) {
        rc = avcodec_receive_packet(encoder, packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return true;
        }
        if (rc >= 0 && !write(packet, stream, encoder->time_base, why)) {
            return false;
        }
    }
    *why = {ErrorEncoder,
            std::string(encoder->codec->name) + " encoding failed: " + ff::errorText(rc)};
    return false;
}

bool RmWriter::finish(Failure* why) {
    if (!m_headerWritten) {
        *why = {ErrorOutput, "nothing was written to " + m_path};
        return false;
    }
    int rc = av_write_trailer(m_out.get());
    if (rc >= 0) {
        rc = avio_closep(&m_out->pb);
    }
    if (rc < 0 || m_out->pb) {
        *why = {ErrorOutput, "cannot finish " + m_path + ": " + ff::errorText(rc)};
        return false;
    }
    m_out.reset();
    m_path.clear();
    m_headerWritten = false;
    return true;
}

void RmWriter::discard() {
    if (!m_out) {
        return;
    }
    m_out.reset();  // closes the file
    std::remove(m_path.c_str());
    m_path.clear();
    m_headerWritten = false;
}

}  // namespace brindle::encoders
