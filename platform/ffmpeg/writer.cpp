#include "platform/ffmpeg/writer.h"

#include <cstdio>

namespace brindle::ff {

Status encode(AVCodecContext* encoder, const AVFrame* frame, AVPacket* packet,
              const PacketSink& sink) {
    int rc = avcodec_send_frame(encoder, frame);
    while (rc >= 0) {
        rc = avcodec_receive_packet(encoder, packet);
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
            return {};
        }
        if (rc >= 0) {
            const Status written = sink(packet);
            av_packet_unref(packet);
            if (!written.ok()) {
                return written;
            }
        }
    }
    return Status::failed(Status::Step::Encoder, rc);
}

Writer::~Writer() {
    discard();
}

Status Writer::open(const std::string& path, const char* format) {
    discard();
    AVFormatContext* raw = nullptr;
    int rc = avformat_alloc_output_context2(&raw, nullptr, format, path.c_str());
    if (rc < 0 || !raw) {
        return Status::failed(Status::Step::Output, rc < 0 ? rc : AVERROR_MUXER_NOT_FOUND);
    }
    Output out(raw);
    if (!(out->oformat->flags & AVFMT_NOFILE)) {
        rc = avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (rc < 0) {
            return Status::failed(Status::Step::Output, rc);
        }
    }
    m_out = std::move(out);
    m_path = path;
    return {};
}

bool Writer::wantsGlobalHeader() const {
    return m_out && (m_out->oformat->flags & AVFMT_GLOBALHEADER);
}

int Writer::addStream(AVCodecContext* encoder, Status* why, int maxPacket) {
    AVStream* st = m_out && !m_headerWritten ? avformat_new_stream(m_out.get(), nullptr) : nullptr;
    if (!st) {
        *why = Status::failed(Status::Step::Output, AVERROR(EINVAL));
        return -1;
    }
    const int rc = avcodec_parameters_from_context(st->codecpar, encoder);
    if (rc < 0) {
        *why = Status::failed(Status::Step::Output, rc);
        return -1;
    }
    st->time_base = encoder->time_base;
    if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        st->avg_frame_rate = encoder->framerate;
    }
    auto slot = std::make_unique<Stream>();
    slot->encoder = encoder;
    slot->stream = st;
    slot->scratch = makePacket();
    slot->maxPacket = maxPacket;
    m_streams.push_back(std::move(slot));
    return st->index;
}

Status Writer::writeHeader() {
    const int rc = m_out ? avformat_write_header(m_out.get(), nullptr) : AVERROR(EINVAL);
    if (rc < 0) {
        return Status::failed(Status::Step::Output, rc);
    }
    m_headerWritten = true;
    return {};
}

Status Writer::encode(int stream, const AVFrame* frame) {
    Stream& s = *m_streams.at(static_cast<std::size_t>(stream));
    return ff::encode(s.encoder, frame, s.scratch.get(),
                      [this, stream](AVPacket* packet) { return write(stream, packet); });
}

Status Writer::write(int stream, AVPacket* packet) {
    const Stream& s = *m_streams.at(static_cast<std::size_t>(stream));
    if (s.maxPacket > 0 && packet->size > s.maxPacket) {
        const Status refused{Status::Step::PacketTooLarge, AVERROR(EMSGSIZE), packet->size};
        av_packet_unref(packet);
        return refused;
    }
    packet->stream_index = stream;
    av_packet_rescale_ts(packet, s.encoder->time_base, s.stream->time_base);
    std::lock_guard lock(m_muxing);
    const int rc = av_interleaved_write_frame(m_out.get(), packet);
    return rc < 0 ? Status::failed(Status::Step::Output, rc) : Status{};
}

Status Writer::finish() {
    if (!m_headerWritten) {
        return Status::failed(Status::Step::Output, AVERROR(EINVAL));
    }
    std::lock_guard lock(m_muxing);
    int rc = av_write_trailer(m_out.get());
    if (rc >= 0 && m_out->pb) {
        rc = avio_closep(&m_out->pb);
    }
    if (rc < 0 || m_out->pb) {
        return Status::failed(Status::Step::Output, rc < 0 ? rc : AVERROR(EIO));
    }
    m_out.reset();
    m_path.clear();
    m_streams.clear();
    m_headerWritten = false;
    return {};
}

void Writer::discard() {
    m_streams.clear();
    m_headerWritten = false;
    if (!m_out) {
        return;
    }
    m_out.reset();  // closes the file
    std::remove(m_path.c_str());
    m_path.clear();
}

}  // namespace brindle::ff
