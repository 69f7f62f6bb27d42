// Sound files through FFmpeg: reading any sound into memory as PCM, and
// writing PCM into an AVI file with one audio stream.
#include "controls/audiocap/sound_stream.h"

#include "platform/ffmpeg/handles.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace brindle::sonteval {
namespace {

std::uint32_t le32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t le16(const unsigned char* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

bool fail(std::string* why, const std::string& text) {
    if (why) {
        *why = text;
    }
    return false;
}

}  // namespace

bool wavHeaderSound(const std::string& path, std::string* why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return fail(why, "cannot be read");
    }
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(path, ec);
    unsigned char head[12] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    if (in.gcount() < 12 || std::memcmp(head, "RIFF", 4) != 0 ||
        std::memcmp(head + 8, "WAVE", 4) != 0) {
        return true;  // not RIFF WAVE: FFmpeg decides
    }
    if (ec || static_cast<std::uint64_t>(le32(head + 4)) + 8 > size) {
        return fail(why, "is shorter than its header says");
    }
    bool haveFormat = false;
    std::uint64_t pos = 12;
    while (pos + 8 <= size) {
        unsigned char chunk[8];
        in.seekg(static_cast<std::streamoff>(pos));
        in.read(reinterpret_cast<char*>(chunk), 8);
        if (in.gcount() < 8) {
            break;
        }
        const std::uint64_t chunkSize = le32(chunk + 4);
        if (pos + 8 + chunkSize > size) {
            return fail(why, "is shorter than its header says");
        }
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            unsigned char fmt[16];
            if (chunkSize < 16 || !in.read(reinterpret_cast<char*>(fmt), 16)) {
                return fail(why, "has a broken format record");
            }
            if (le16(fmt + 2) == 0 || le32(fmt + 4) == 0 || le32(fmt + 8) == 0 ||
                le16(fmt + 12) == 0) {
                return fail(why, "has a format with no channels, rate or block size");
            }
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) {
                return fail(why, "has its samples before their format");
            }
            return true;
        }
        pos += 8 + chunkSize + (chunkSize & 1);
    }
    return fail(why, "holds no samples");
}

StreamPtr readSoundFile(const std::string& path, std::string* why) {
    if (!wavHeaderSound(path, why)) {
        return nullptr;
    }
    int err = 0;
    ff::Input input = ff::openInput(path.c_str(), &err);
    if (!input) {
        fail(why, "is not a sound file (" + ff::errorText(err) + ")");
        return nullptr;
    }
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (index < 0) {
        fail(why, "holds no sound");
        return nullptr;
    }
    AVStream* st = input->streams[index];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    ff::Codec dec(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!dec || avcodec_parameters_to_context(dec.get(), st->codecpar) < 0 ||
        avcodec_open2(dec.get(), codec, nullptr) < 0) {
        fail(why, "holds a sound that cannot be decoded");
        return nullptr;
    }
    if (dec->sample_rate <= 0 || dec->ch_layout.nb_channels <= 0) {
        fail(why, "holds a sound without a rate or channels");
        return nullptr;
    }
    const int channels = std::min(dec->ch_layout.nb_channels, 2);
    const bool eightBit =
        dec->sample_fmt == AV_SAMPLE_FMT_U8 || dec->sample_fmt == AV_SAMPLE_FMT_U8P;
    const AVSampleFormat outFmt = eightBit ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    auto stream = std::make_shared<SoundStream>(
        wave::Format::pcm(channels, dec->sample_rate, eightBit ? 8 : 16));

    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, channels);
    SwrContext* rawSwr = nullptr;
    if (swr_alloc_set_opts2(&rawSwr, &outLayout, outFmt, dec->sample_rate, &dec->ch_layout,
                            dec->sample_fmt, dec->sample_rate, 0, nullptr) < 0) {
        fail(why, "cannot be converted");
        return nullptr;
    }
    ff::Swr swr(rawSwr);
    if (swr_init(swr.get()) < 0) {
        fail(why, "cannot be converted");
        return nullptr;
    }
    ff::Packet packet = ff::makePacket();
    ff::Frame frame = ff::makeFrame();
    std::vector<std::uint8_t> chunk;
    const int block = stream->format().blockAlign;
    auto drainFrames = [&]() -> bool {
        while (true) {
            const int rc = avcodec_receive_frame(dec.get(), frame.get());
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) {
                return true;
            }
            if (rc < 0) {
                return false;
            }
            const int room = swr_get_out_samples(swr.get(), frame->nb_samples);
            chunk.resize(static_cast<std::size_t>(room) * block);
            std::uint8_t* out = chunk.data();
            const int got = swr_convert(swr.get(), &out, room,
                                        const_cast<const std::uint8_t**>(frame->extended_data),
                                        frame->nb_samples);
            av_frame_unref(frame.get());
            if (got < 0) {
                return false;
            }
            stream->append(chunk.data(), static_cast<std::size_t>(got) * block);
        }
    };
    bool ok = true;
    while (ok && av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index) {
            // A damaged packet is skipped: the rest of the sound still counts.
            if (avcodec_send_packet(dec.get(), packet.get()) >= 0) {
                ok = drainFrames();
            }
        }
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(dec.get(), nullptr);
    if (ok) {
        ok = drainFrames();
    }
    if (ok) {
        // What the resampler still holds.
        chunk.resize(4096u * block);
        std::uint8_t* out = chunk.data();
        const int got = swr_convert(swr.get(), &out, 4096, nullptr, 0);
        if (got > 0) {
            stream->append(chunk.data(), static_cast<std::size_t>(got) * block);
        }
    }
    if (stream->length() == 0) {
        fail(why, "holds no samples");
        return nullptr;
    }
    return stream;
}

struct AviAppender::State {
    ff::Output out;
    AVStream* stream = nullptr;
    ff::Packet packet;
    wave::Format format;
    std::int64_t nextSample = 0;
    bool headerWritten = false;
};

AviAppender::AviAppender() = default;

AviAppender::~AviAppender() {
    close();
}

bool AviAppender::open(const std::string& path, const wave::Format& format) {
    close();
    auto st = std::make_unique<State>();
    st->format = format;
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, "avi", path.c_str()) < 0 || !raw) {
        return false;
    }
    st->out.reset(raw);
    st->stream = avformat_new_stream(raw, nullptr);
    if (!st->stream) {
        return false;
    }
    AVCodecParameters* par = st->stream->codecpar;
    par->codec_type = AVMEDIA_TYPE_AUDIO;
    par->codec_id = format.bitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
    par->codec_tag = 1;
    par->sample_rate = static_cast<int>(format.samplesPerSec);
    av_channel_layout_default(&par->ch_layout, format.channels);
    par->bits_per_coded_sample = format.bitsPerSample;
    par->block_align = format.blockAlign;
    par->bit_rate = static_cast<std::int64_t>(format.bytesPerSec) * 8;
    st->stream->time_base = AVRational{1, static_cast<int>(format.samplesPerSec)};
    if (avio_open(&raw->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
        return false;
    }
    if (avformat_write_header(raw, nullptr) < 0) {
        return false;
    }
    avio_flush(raw->pb);
    st->headerWritten = true;
    st->packet = ff::makePacket();
    m_state = std::move(st);
    return true;
}

bool AviAppender::write(const std::uint8_t* data, std::size_t bytes) {
    if (!m_state) {
        return false;
    }
    const std::size_t frames = bytes / m_state->format.blockAlign;
    if (frames == 0) {
        return true;
    }
    AVPacket* p = m_state->packet.get();
    if (av_new_packet(p, static_cast<int>(frames * m_state->format.blockAlign)) < 0) {
        return false;
    }
    std::memcpy(p->data, data, frames * m_state->format.blockAlign);
    p->stream_index = m_state->stream->index;
    const AVRational samples{1, static_cast<int>(m_state->format.samplesPerSec)};
    p->pts = p->dts = av_rescale_q(m_state->nextSample, samples, m_state->stream->time_base);
    p->duration =
        av_rescale_q(static_cast<std::int64_t>(frames), samples, m_state->stream->time_base);
    const int rc = av_write_frame(m_state->out.get(), p);
    av_packet_unref(p);
    if (rc < 0) {
        return false;
    }
    avio_flush(m_state->out->pb);
    if (m_state->out->pb->error < 0) {
        return false;
    }
    m_state->nextSample += static_cast<std::int64_t>(frames);
    return true;
}

bool AviAppender::close() {
    if (!m_state) {
        return true;
    }
    bool ok = true;
    if (m_state->headerWritten) {
        ok = av_write_trailer(m_state->out.get()) >= 0;
        if (m_state->out->pb) {
            avio_flush(m_state->out->pb);
            ok = ok && m_state->out->pb->error >= 0;
            ok = avio_closep(&m_state->out->pb) >= 0 && ok;
        }
    }
    m_state.reset();
    return ok;
}

}  // namespace brindle::sonteval
