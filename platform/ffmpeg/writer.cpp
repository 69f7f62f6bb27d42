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

bool Writer::wantsGlobalHeader(const char* format) {
    const AVOutputFormat* muxer = av_guess_format(format, nullptr, nullptr);
    return muxer && (muxer->flags & AVFMT_GLOBALHEADER);
}

namespace {

// A copied stream keeps its four-character code when the output format
// knows it for the same codec (or knows no code for the codec at all).
unsigned keptCodecTag(const AVOutputFormat* format, const AVCodecParameters* par) {
    unsigned other = 0;
    if (!format->codec_tag || av_codec_get_id(format->codec_tag, par->codec_tag) == par->codec_id ||
        !av_codec_get_tag2(format->codec_tag, par->codec_id, &other)) {
        return par->codec_tag;
    }
    return 0;
}

}  // namespace

int Writer::addStream(AVCodecContext* encoder, Status* why, int maxPacket) {
    AVStream* st = m_out && !m_headerWritten ? avformat_new_stream(m_out.get(), nullptr) : nullptr;
    const int rc = st ? avcodec_parameters_from_context(st->codecpar, encoder) : AVERROR(EINVAL);
    if (rc < 0) {
        if (why) {
            *why = Status::failed(Status::Step::Output, rc);
        }
        return -1;
    }
    st->time_base = encoder->time_base;
    if (encoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        st->avg_frame_rate = encoder->framerate;
    }
    return add(st, encoder, encoder->time_base, maxPacket);
}

int Writer::addCopyStream(const AVStream* source, AVRational packetTimeBase, Status* why) {
    AVStream* st = m_out && !m_headerWritten ? avformat_new_stream(m_out.get(), nullptr) : nullptr;
    const int rc = st ? avcodec_parameters_copy(st->codecpar, source->codecpar) : AVERROR(EINVAL);
    if (rc < 0) {
        if (why) {
            *why = Status::failed(Status::Step::Output, rc);
        }
        return -1;
    }
    st->codecpar->codec_tag = keptCodecTag(m_out->oformat, source->codecpar);
    st->time_base = source->time_base;
    st->avg_frame_rate = source->avg_frame_rate;
    st->r_frame_rate = source->r_frame_rate;
    st->sample_aspect_ratio = source->sample_aspect_ratio;
    return add(st, nullptr, packetTimeBase, 0);
}

int Writer::addPacketStream(const AVCodecParameters* parameters, AVRational timeBase,
                            AVRational frameRate, Status* why) {
    AVStream* st = m_out && !m_headerWritten ? avformat_new_stream(m_out.get(), nullptr) : nullptr;
    const int rc = st ? avcodec_parameters_copy(st->codecpar, parameters) : AVERROR(EINVAL);
    if (rc < 0) {
        if (why) {
            *why = Status::failed(Status::Step::Output, rc);
        }
        return -1;
    }
    st->time_base = timeBase;
    if (parameters->codec_type == AVMEDIA_TYPE_VIDEO) {
        st->avg_frame_rate = frameRate;
        st->r_frame_rate = frameRate;
    }
    return add(st, nullptr, timeBase, 0);
}

std::int64_t Writer::bytesWritten() const {
    std::lock_guard lock(m_muxing);
    return m_out && m_out->pb ? avio_tell(m_out->pb) : -1;
}

int Writer::add(AVStream* st, AVCodecContext* encoder, AVRational packetTimeBase, int maxPacket) {
    auto slot = std::make_unique<Stream>();
    slot->encoder = encoder;
    slot->stream = st;
    slot->packetTimeBase = packetTimeBase;
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
    if (!s.encoder) {
        return Status::failed(Status::Step::Encoder, AVERROR(EINVAL));  // a copied stream
    }
    return ff::encode(s.encoder, frame, s.scratch.get(),
                      [this, stream](AVPacket* packet) { return write(stream, packet); });
}

Status Writer::write(int stream, AVPacket* packet) {
    const Stream& s = *m_streams.at(static_cast<std::size_t>(stream));
    if (!m_headerWritten) {
        av_packet_unref(packet);
        return Status::failed(Status::Step::Output, AVERROR(EINVAL));
    }
    if (s.maxPacket > 0 && packet->size > s.maxPacket) {
        const Status refused{Status::Step::PacketTooLarge, AVERROR(EMSGSIZE), packet->size};
        av_packet_unref(packet);
        return refused;
    }
    packet->stream_index = stream;
    av_packet_rescale_ts(packet, s.packetTimeBase, s.stream->time_base);
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
