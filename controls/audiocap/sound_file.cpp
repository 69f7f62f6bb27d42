// Sound files through FFmpeg: reading any sound into memory as PCM, and
// writing PCM into an AVI file with one audio stream.
#include "controls/audiocap/sound_stream.h"
#include "controls/audiocap/wav_header.h"

#include "platform/ffmpeg/decoder.h"
#include "platform/ffmpeg/writer.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace brindle::sonteval {
namespace {

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
    // A size that cannot be learnt counts as none: a RIFF header then lies.
    return wavHeaderSound(in, ec ? 0 : size, why);
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
    ff::OpenStream audio = ff::openBestStream(input.get(), AVMEDIA_TYPE_AUDIO);
    if (audio.index < 0) {
        fail(why, audio.error == AVERROR_STREAM_NOT_FOUND ? "holds no sound"
                                                          : "holds a sound that cannot be decoded");
        return nullptr;
    }
    AVCodecContext* dec = audio.decoder.get();
    if (dec->sample_rate <= 0 || dec->ch_layout.nb_channels <= 0) {
        fail(why, "holds a sound without a rate or channels");
        return nullptr;
    }
    ff::discardOtherStreams(input.get(), {audio.index});
    const int channels = std::min(dec->ch_layout.nb_channels, 2);
    const bool eightBit =
        dec->sample_fmt == AV_SAMPLE_FMT_U8 || dec->sample_fmt == AV_SAMPLE_FMT_U8P;
    const AVSampleFormat outFmt = eightBit ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    auto stream = std::make_shared<SoundStream>(
        wave::Format::pcm(channels, dec->sample_rate, eightBit ? 8 : 16));

    // Room for the whole sound at once when its length is known.
    if (input->duration > 0) {
        const std::int64_t frames = av_rescale(input->duration, dec->sample_rate, AV_TIME_BASE);
        const std::int64_t bytes = frames * stream->format().blockAlign;
        if (bytes > kMaxSoundBytes) {
            fail(why, "is too long");
            return nullptr;
        }
        const int block = stream->format().blockAlign;
        if (bytes > 0) {
            stream->bytes().reserve(
                static_cast<std::size_t>(bytes + std::int64_t{dec->sample_rate} * block));
        }
    }
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
    // A damaged packet is passed over: the rest of the sound still counts.
    ff::ReadState state;
    while (ff::receiveFrame(input.get(), dec, audio.index, packet.get(), frame.get(), state)) {
        const int room = swr_get_out_samples(swr.get(), frame->nb_samples);
        chunk.resize(static_cast<std::size_t>(room) * block);
        std::uint8_t* out = chunk.data();
        const int got =
            swr_convert(swr.get(), &out, room,
                        const_cast<const std::uint8_t**>(frame->extended_data), frame->nb_samples);
        av_frame_unref(frame.get());
        if (got < 0) {
            fail(why, "cannot be converted");
            return nullptr;
        }
        stream->append(chunk.data(), static_cast<std::size_t>(got) * block);
        // A header may understate the length; the count of what came does not.
        if (static_cast<std::int64_t>(stream->bytes().size()) > kMaxSoundBytes) {
            fail(why, "is too long");
            return nullptr;
        }
    }
    // What the resampler still holds.
    chunk.resize(4096u * block);
    std::uint8_t* out = chunk.data();
    const int got = swr_convert(swr.get(), &out, 4096, nullptr, 0);
    if (got > 0) {
        stream->append(chunk.data(), static_cast<std::size_t>(got) * block);
    }
    if (stream->length() == 0) {
        fail(why, "holds no samples");
        return nullptr;
    }
    return stream;
}

struct AviAppender::State {
    ff::Writer writer;
    ff::Codec encoder;  // describes the PCM stream; packets are written as they are
    int index = -1;
    wave::Format format;
    std::int64_t nextSample = 0;
};

AviAppender::AviAppender() = default;

AviAppender::~AviAppender() {
    // An unfinished file is removed by the writer; a recording is always
    // finished by close().
    close();
}

bool AviAppender::open(const std::string& path, const wave::Format& format) {
    close();
    auto st = std::make_unique<State>();
    st->format = format;
    const AVCodecID id = format.bitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
    const AVCodec* codec = avcodec_find_encoder(id);
    st->encoder.reset(codec ? avcodec_alloc_context3(codec) : nullptr);
    if (!st->encoder) {
        return false;
    }
    AVCodecContext* enc = st->encoder.get();
    enc->sample_fmt = format.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
    enc->sample_rate = static_cast<int>(format.samplesPerSec);
    av_channel_layout_default(&enc->ch_layout, format.channels);
    enc->time_base = AVRational{1, static_cast<int>(format.samplesPerSec)};
    if (avcodec_open2(enc, codec, nullptr) < 0) {
        return false;
    }
    ff::Status status;
    if (!st->writer.open(path, "avi").ok()) {
        return false;
    }
    st->index = st->writer.addStream(enc, &status);
    if (st->index < 0 || !st->writer.writeHeader().ok()) {
        return false;
    }
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
    ff::Packet packet = ff::makePacket();
    if (!packet ||
        av_new_packet(packet.get(), static_cast<int>(frames * m_state->format.blockAlign)) < 0) {
        return false;
    }
    std::memcpy(packet->data, data, frames * m_state->format.blockAlign);
    packet->pts = packet->dts = m_state->nextSample;
    packet->duration = static_cast<std::int64_t>(frames);
    packet->flags |= AV_PKT_FLAG_KEY;
    if (!m_state->writer.write(m_state->index, packet.get()).ok()) {
        return false;
    }
    m_state->nextSample += static_cast<std::int64_t>(frames);
    return true;
}

bool AviAppender::close() {
    if (!m_state) {
        return true;
    }
    const bool ok = m_state->writer.finish().ok();
    m_state.reset();
    return ok;
}

}  // namespace brindle::sonteval
