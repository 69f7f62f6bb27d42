#include "platform/vfw/avi_writer.h"

#include "platform/ffmpeg/handles.h"
#include "platform/ffmpeg/writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace brindle::vfw {
namespace {

// Space claimed ahead at a time, so the claim is not renewed every frame.
constexpr std::uint64_t kClaimStep = 4 * 1024 * 1024;

struct ParametersDeleter {
    void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
};
using Parameters = std::unique_ptr<AVCodecParameters, ParametersDeleter>;

}  // namespace

struct AviWriter::State {
    ff::Writer file;
    int claimFd = -1;              // the same file, for claiming disk space ahead
    std::uint64_t claimedEnd = 0;  // bytes of the file reserved on the disk
    bool claimSupported = true;
    bool headerWritten = false;
    std::uint64_t headerBytes = 0;
    // Every chunk handed to the muxer, with its chunk header and padding,
    // including those it still holds back to interleave the streams.
    std::uint64_t chunkBytes = 0;
    std::int64_t packets = 0;

    ~State() {
        if (claimFd >= 0) {
            ::close(claimFd);
        }
    }
};

AviWriter::~AviWriter() {
    finish();
}

std::unique_ptr<AviWriter> AviWriter::create(const std::string& path, const AviVideoStream& video,
                                             const WaveFormat* audio, std::string* why) {
    std::string ignored;
    if (!why) {
        why = &ignored;
    }
    if (video.microSecPerFrame == 0 ||
        frameBytes(video.format.biWidth, video.format.biHeight, dib::kBiRgb, 24) == 0) {
        *why = "not a video format the writer takes";
        return nullptr;
    }
    if (audio && !audio->valid()) {
        *why = "not a sound format the writer takes";
        return nullptr;
    }
    std::unique_ptr<AviWriter> w(new AviWriter);
    w->m_state = std::make_unique<State>();
    State& s = *w->m_state;
    ff::Status status = s.file.open(path, "avi");
    if (!status.ok()) {
        *why = path + ": " + ff::errorText(status.code);
        return nullptr;
    }
    s.claimFd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (s.claimFd < 0) {
        *why = path + ": " + std::strerror(errno);
        return nullptr;
    }

    Parameters vp(avcodec_parameters_alloc());
    if (!vp) {
        *why = "out of memory";
        return nullptr;
    }
    vp->codec_type = AVMEDIA_TYPE_VIDEO;
    vp->width = video.format.biWidth;
    vp->height = std::abs(video.format.biHeight);
    if (video.codec == "rawvideo") {
        vp->codec_id = AV_CODEC_ID_RAWVIDEO;
        vp->codec_tag = video.format.biCompression;
        vp->bits_per_coded_sample = video.format.biBitCount;
        vp->format = video.format.biCompression == kFourccI420   ? AV_PIX_FMT_YUV420P
                     : video.format.biCompression == kFourccYVU9 ? AV_PIX_FMT_YUV410P
                                                                 : AV_PIX_FMT_BGR24;
        if (vp->codec_tag == 0 && video.format.biHeight > 0) {
            w->m_flipRows = true;
            w->m_rowBytes = dib::rowBytes(video.format.biWidth, 24);
            w->m_rows = static_cast<std::size_t>(video.format.biHeight);
        }
    } else {
        const AVCodec* codec = avcodec_find_encoder_by_name(video.codec.c_str());
        if (!codec) {
            *why = "no " + video.codec + " encoder";
            return nullptr;
        }
        vp->codec_id = codec->id;
        vp->codec_tag = video.tag;
        vp->bits_per_coded_sample = 24;
    }
    // The frame period in microseconds, as the nearest fraction whose terms
    // an MPEG-4 encoder also takes (at most 65535): a reader that re-encodes
    // part of the clip, as the clip edit control does, can use it as it is.
    int num = 0;
    int den = 0;
    av_reduce(&num, &den, video.microSecPerFrame, 1000000, 65535);
    if (s.file.addPacketStream(vp.get(), AVRational{num, den}, AVRational{den, num}, &status) < 0) {
        *why = "cannot add the video stream: " + ff::errorText(status.code);
        return nullptr;
    }
    if (audio) {
        Parameters ap(avcodec_parameters_alloc());
        if (!ap) {
            *why = "out of memory";
            return nullptr;
        }
        ap->codec_type = AVMEDIA_TYPE_AUDIO;
        ap->codec_id = audio->bitsPerSample == 8 ? AV_CODEC_ID_PCM_U8 : AV_CODEC_ID_PCM_S16LE;
        ap->sample_rate = static_cast<int>(audio->samplesPerSec);
        av_channel_layout_default(&ap->ch_layout, audio->channels);
        ap->block_align = audio->blockAlign;
        ap->bits_per_coded_sample = audio->bitsPerSample;
        ap->bit_rate = std::int64_t(audio->avgBytesPerSec) * 8;
        const AVRational perSample{1, static_cast<int>(audio->samplesPerSec)};
        if (s.file.addPacketStream(ap.get(), perSample, AVRational{0, 1}, &status) < 0) {
            *why = "cannot add the sound stream: " + ff::errorText(status.code);
            return nullptr;
        }
        w->m_blockAlign = audio->blockAlign;
    }
    status = s.file.writeHeader();
    if (!status.ok()) {
        *why = "cannot write the AVI header: " + ff::errorText(status.code);
        return nullptr;
    }
    s.headerWritten = true;
    s.headerBytes = static_cast<std::uint64_t>(std::max<std::int64_t>(0, s.file.bytesWritten()));
    if (!w->ensureRoom(0)) {
        *why = w->m_error;
        return nullptr;
    }
    return w;
}

std::uint64_t AviWriter::reserveBytes() const {
    // The index takes 16 bytes a chunk (idx1) plus 8 (the standard index),
    // and the trailer rewrites headers in place; 256 KB covers the rest.
    return 32 * std::uint64_t(m_state ? m_state->packets + 2 : 2) + 256 * 1024;
}

bool AviWriter::ensureRoom(std::uint64_t packetBytes) {
    State& s = *m_state;
    const std::uint64_t pos =
        std::max(static_cast<std::uint64_t>(std::max<std::int64_t>(0, s.file.bytesWritten())),
                 s.headerBytes + s.chunkBytes);
    const std::uint64_t need = pos + packetBytes + 64 + reserveBytes();
    if (need <= s.claimedEnd) {
        return true;
    }
    if (s.claimSupported) {
        // Claim the blocks ahead without growing the file: whatever happens
        // to the disk later, the index still has its room.
        for (std::uint64_t target : {need + kClaimStep, need}) {
            if (fallocate(s.claimFd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(target)) == 0) {
                s.claimedEnd = target;
                return true;
            }
            if (errno == EOPNOTSUPP || errno == ENOSYS) {
                s.claimSupported = false;
                break;
            }
            if (errno != ENOSPC && errno != EFBIG && errno != EDQUOT) {
                m_error = std::string("cannot claim disk space: ") + std::strerror(errno);
                return false;
            }
        }
        if (s.claimSupported) {
            m_error = "the disk is full";
            return false;
        }
    }
    // A file system without claims: judge by the free space left.
    struct statvfs fs {};
    if (fstatvfs(s.claimFd, &fs) == 0) {
        const std::uint64_t freeBytes = std::uint64_t(fs.f_bavail) * fs.f_frsize;
        if (freeBytes < packetBytes + reserveBytes() + kClaimStep) {
            m_error = "the disk is full";
            return false;
        }
    }
    return true;
}

bool AviWriter::write(int stream, std::span<const std::uint8_t> bytes, std::int64_t pts,
                      std::int64_t duration, bool key) {
    if (failed() || m_finished) {
        return false;
    }
    if (!ensureRoom(bytes.size())) {
        return false;
    }
    State& s = *m_state;
    ff::Packet p = ff::makePacket();
    if (!p || av_new_packet(p.get(), static_cast<int>(bytes.size())) < 0) {
        m_error = "out of memory";
        return false;
    }
    if (!bytes.empty()) {
        std::memcpy(p->data, bytes.data(), bytes.size());
    }
    p->pts = p->dts = pts;
    p->duration = duration;
    if (key) {
        p->flags |= AV_PKT_FLAG_KEY;
    }
    const ff::Status status = s.file.write(stream, p.get());
    if (!status.ok()) {
        m_error = "write failed: " + ff::errorText(status.code);
        return false;
    }
    s.chunkBytes += 8 + bytes.size() + (bytes.size() & 1);
    ++s.packets;
    return true;
}

bool AviWriter::writeVideo(std::span<const std::uint8_t> bytes, bool keyFrame) {
    if (m_flipRows) {
        // The muxer declares raw 24-bit frames top-down; bitmaps run bottom-up.
        if (bytes.size() != m_rowBytes * m_rows) {
            return false;
        }
        m_flipped.resize(bytes.size());
        for (std::size_t y = 0; y < m_rows; ++y) {
            std::copy_n(bytes.data() + y * m_rowBytes, m_rowBytes,
                        m_flipped.data() + (m_rows - 1 - y) * m_rowBytes);
        }
        bytes = m_flipped;
    }
    if (!write(0, bytes, m_videoFrames, 1, keyFrame)) {
        return false;
    }
    ++m_videoFrames;
    return true;
}

bool AviWriter::writeAudio(std::span<const std::uint8_t> bytes) {
    if (m_blockAlign == 0 || bytes.size() % m_blockAlign != 0) {
        return false;  // no audio stream, or a buffer of broken samples
    }
    const auto samples = static_cast<std::int64_t>(bytes.size() / m_blockAlign);
    if (!write(1, bytes, m_audioSamples, samples, true)) {
        return false;
    }
    m_audioSamples += samples;
    m_audioBytes += static_cast<std::int64_t>(bytes.size());
    return true;
}

bool AviWriter::finish() {
    if (m_finished || !m_state) {
        return m_complete;
    }
    m_finished = true;
    State& s = *m_state;
    bool complete = false;
    if (s.headerWritten) {
        // The room claimed ahead holds the index even when writing stopped
        // because the disk filled.
        const ff::Status status = s.file.finish();
        complete = status.ok();
        if (!complete && m_error.empty()) {
            m_error = "cannot finish the file: " + ff::errorText(status.code);
        }
    }
    // Give back the claimed blocks past the end of the file.
    bool closed = true;
    if (s.claimFd >= 0) {
        struct stat st {};
        if (fstat(s.claimFd, &st) == 0) {
            [[maybe_unused]] const int ignored = ftruncate(s.claimFd, st.st_size);
        }
        closed = ::close(s.claimFd) == 0;
        s.claimFd = -1;
    }
    m_complete = complete && closed;
    return m_complete;
}

}  // namespace brindle::vfw
