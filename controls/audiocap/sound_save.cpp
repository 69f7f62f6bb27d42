#include "controls/audiocap/sound_save.h"

#include "platform/ffmpeg/handles.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <unistd.h>
#include <cstdio>

namespace brindle::sonteval {
namespace {

class Writer {
public:
    virtual ~Writer() = default;
    virtual bool write(const std::uint8_t* data, std::size_t bytes) = 0;
    virtual bool close() = 0;
};

void put16(std::FILE* f, std::uint16_t v) {
    const unsigned char b[2] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8)};
    std::fwrite(b, 1, 2, f);
}
void put32(std::FILE* f, std::uint32_t v) {
    const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                                static_cast<unsigned char>(v >> 16),
                                static_cast<unsigned char>(v >> 24)};
    std::fwrite(b, 1, 4, f);
}

// RIFF WAVE: "fmt " (16 bytes for PCM), "fact" (sample frames), "data".
class WavWriter : public Writer {
public:
    WavWriter(const std::string& path, const wave::Format& format) : m_format(format) {
        m_file = std::fopen(path.c_str(), "wb");
        if (!m_file) {
            return;
        }
        std::fwrite("RIFF", 1, 4, m_file);
        put32(m_file, 0);
        std::fwrite("WAVEfmt ", 1, 8, m_file);
        put32(m_file, 16);
        put16(m_file, format.tag);
        put16(m_file, format.channels);
        put32(m_file, format.samplesPerSec);
        put32(m_file, format.bytesPerSec);
        put16(m_file, format.blockAlign);
        put16(m_file, format.bitsPerSample);
        std::fwrite("fact", 1, 4, m_file);
        put32(m_file, 4);
        put32(m_file, 0);
        std::fwrite("data", 1, 4, m_file);
        put32(m_file, 0);
        m_ok = std::ferror(m_file) == 0;
    }
    ~WavWriter() override {
        if (m_file) {
            std::fclose(m_file);
        }
    }
    bool write(const std::uint8_t* data, std::size_t bytes) override {
        if (!m_file || !m_ok) {
            return false;
        }
        const std::size_t frames = bytes / m_format.blockAlign;
        const std::size_t want = frames * m_format.blockAlign;
        if (std::fwrite(data, 1, want, m_file) != want) {
            m_ok = false;
            return false;
        }
        m_frames += frames;
        m_dataBytes += want;
        return true;
    }
    bool close() override {
        if (!m_file) {
            return false;
        }
        bool ok = m_ok && m_dataBytes <= 0xFFFFFFFFull - 64;
        if (m_dataBytes & 1) {
            std::fputc(0, m_file);  // chunks are padded to an even size
        }
        const std::uint64_t riff = 4 + (8 + 16) + (8 + 4) + 8 + m_dataBytes + (m_dataBytes & 1);
        ok = ok && std::fseek(m_file, 4, SEEK_SET) == 0;
        put32(m_file, static_cast<std::uint32_t>(riff));
        ok = ok && std::fseek(m_file, 12 + 8 + 16 + 8, SEEK_SET) == 0;
        put32(m_file, static_cast<std::uint32_t>(m_frames));
        ok = ok && std::fseek(m_file, 12 + 8 + 16 + 12 + 4, SEEK_SET) == 0;
        put32(m_file, static_cast<std::uint32_t>(m_dataBytes));
        ok = ok && std::fflush(m_file) == 0 && std::ferror(m_file) == 0;
        ok = ok && ::fsync(fileno(m_file)) == 0;
        ok = std::fclose(m_file) == 0 && ok;
        m_file = nullptr;
        return ok;
    }

private:
    std::FILE* m_file = nullptr;
    wave::Format m_format;
    bool m_ok = false;
    std::uint64_t m_frames = 0;
    std::uint64_t m_dataBytes = 0;
};

class AviWriter : public Writer {
public:
    AviWriter(const std::string& path, const wave::Format& format) {
        m_ok = m_out.open(path, format);
    }
    bool write(const std::uint8_t* data, std::size_t bytes) override {
        return m_ok && m_out.write(data, bytes);
    }
    bool close() override { return m_out.close() && m_ok; }

private:
    AviAppender m_out;
    bool m_ok = false;
};

AVSampleFormat sampleFormatOf(const wave::Format& f) {
    return f.bitsPerSample == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16;
}

}  // namespace

bool isAviName(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    const std::string ext = path.substr(dot + 1);
    return ext.size() == 3 && (ext[0] | 0x20) == 'a' && (ext[1] | 0x20) == 'v' &&
           (ext[2] | 0x20) == 'i';
}

SaveResult writeSound(const SoundStream& stream, std::int64_t first, std::int64_t end,
                      const wave::Format& target, const std::string& path, bool avi,
                      const SaveProgressStep& progress) {
    const wave::Format& source = stream.format();
    if (!target.isPcm() || !target.usable() ||
        (target.bitsPerSample != 8 && target.bitsPerSample != 16) || target.channels > 2) {
        return SaveResult::BadFormat;
    }
    first = std::clamp<std::int64_t>(first, 0, stream.length());
    end = std::clamp<std::int64_t>(end, first, stream.length());
    std::unique_ptr<Writer> writer;
    if (avi) {
        writer = std::make_unique<AviWriter>(path, target);
    } else {
        writer = std::make_unique<WavWriter>(path, target);
    }
    auto failWith = [&](SaveResult r) {
        writer.reset();
        std::remove(path.c_str());
        return r;
    };

    ff::Swr swr;
    const bool same = source == target;
    if (!same) {
        AVChannelLayout inLayout;
        AVChannelLayout outLayout;
        av_channel_layout_default(&inLayout, source.channels);
        av_channel_layout_default(&outLayout, target.channels);
        SwrContext* raw = nullptr;
        if (swr_alloc_set_opts2(&raw, &outLayout, sampleFormatOf(target),
                                static_cast<int>(target.samplesPerSec), &inLayout,
                                sampleFormatOf(source), static_cast<int>(source.samplesPerSec), 0,
                                nullptr) < 0) {
            return failWith(SaveResult::BadFormat);
        }
        swr.reset(raw);
        if (swr_init(swr.get()) < 0) {
            return failWith(SaveResult::BadFormat);
        }
    }

    const std::int64_t total = end - first;
    const std::int64_t blockFrames = std::max<std::uint32_t>(1, source.samplesPerSec);
    std::vector<std::uint8_t> out;
    if (total == 0 && progress && !progress(100)) {
        return failWith(SaveResult::Cancelled);
    }
    for (std::int64_t at = first; at < end;) {
        if (progress && !progress(static_cast<int>((at - first) * 100 / total))) {
            return failWith(SaveResult::Cancelled);
        }
        const std::int64_t n = std::min(blockFrames, end - at);
        const std::uint8_t* in = stream.frameData(at);
        if (same) {
            if (!writer->write(in, static_cast<std::size_t>(n * source.blockAlign))) {
                return failWith(SaveResult::WriteFailed);
            }
        } else {
            const int room = swr_get_out_samples(swr.get(), static_cast<int>(n));
            out.resize(static_cast<std::size_t>(room) * target.blockAlign);
            std::uint8_t* o = out.data();
            const int got = swr_convert(swr.get(), &o, room, &in, static_cast<int>(n));
            if (got < 0 ||
                !writer->write(out.data(), static_cast<std::size_t>(got) * target.blockAlign)) {
                return failWith(SaveResult::WriteFailed);
            }
        }
        at += n;
    }
    if (!same) {
        out.resize(4096u * target.blockAlign);
        std::uint8_t* o = out.data();
        const int got = swr_convert(swr.get(), &o, 4096, nullptr, 0);
        if (got < 0 || (got > 0 && !writer->write(out.data(), static_cast<std::size_t>(got) *
                                                                  target.blockAlign))) {
            return failWith(SaveResult::WriteFailed);
        }
    }
    if (!writer->close()) {
        return failWith(SaveResult::WriteFailed);
    }
    return SaveResult::Ok;
}

}  // namespace brindle::sonteval
